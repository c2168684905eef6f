// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>

#include "domain/DisplaySettings.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace mrv {

class DisplayControl;

// Adds a display or changes one: its port, format, line settings, interval, zone, lead and what
// it gets while the clock is not synchronised, and the options of the NMEA and template formats
// (shown only for those). "OK" saves through the settings store at once; input the store
// cannot use is named in the dialog with the reason, and the dialog stays open.
class DisplayDialog : public QDialog
{
    Q_OBJECT
public:
    DisplayDialog(DisplayControl &control, const DisplaySettings &display, bool adding,
                  QWidget *parent = nullptr);

    // The settings the fields describe now; empty, with the reason, when a field cannot be
    // read.
    std::optional<DisplaySettings> settings(QString *why) const;

    int number() const { return m_number; }

    void accept() override;

private:
    QWidget *buildFields();
    QGroupBox *buildNmeaOptions();
    void showSettings(const DisplaySettings &display);
    void showFormatOptions();
    DisplayFormat format() const;

    DisplayControl &m_control;
    int m_number = 0;
    QComboBox *m_port = nullptr;
    std::optional<DisplayFormat> m_shownFormat; // the format the interval was last set for
    QComboBox *m_format = nullptr;
    QLineEdit *m_line = nullptr;
    QSpinBox *m_interval = nullptr;
    QComboBox *m_zone = nullptr;
    QSpinBox *m_lead = nullptr;
    QComboBox *m_unsynced = nullptr;
    QGroupBox *m_nmea = nullptr;
    QLineEdit *m_sentences = nullptr;
    QLineEdit *m_talker = nullptr;
    QComboBox *m_zoneSign = nullptr;
    QGroupBox *m_template = nullptr;
    QLineEdit *m_templateText = nullptr;
    QLabel *m_error = nullptr;
};

} // namespace mrv
