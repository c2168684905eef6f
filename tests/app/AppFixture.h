// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A main window over a scratch settings file, the shared fake clock and recorded message boxes.
#include "FakeClock.h"
#include "app/MainWindow.h"
#include "dialogs/MessageBox.h"
#include "platform/SerialPort.h"
#include "app/SettingsStore.h"
#include "app/Timekeeper.h"
#include "domain/TimeZoneSource.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <memory>

struct FixedZones final : mrv::TimeZoneSource
{
    mrv::LocalZoneFacts factsAt(const QDateTime &) const override { return {}; }
};

struct RecordingBoxes final : mrv::MessageBoxes
{
    QStringList texts, details;
    QList<bool> answers; // to the questions, in turn; No once they run out
    void exclamation(QWidget *, const QString &text, const QString &detail) override
    {
        texts << text;
        details << detail;
    }
    bool question(QWidget *parent, const QString &text, const QString &detail) override
    {
        exclamation(parent, text, detail);
        return !answers.isEmpty() && answers.takeFirst();
    }
};

// What a user sees of the settings: each panel's row and box (numbered as the file numbers
// them: 1 ticked, 2 greyed), the date labels on screen ("" for hidden ones), the port menu's
// mark (0 for none) and whether the port is open.
struct Seen
{
    QList<int> rows, boxes;
    QStringList dates;
    int mark = 0;
    bool open = false;
};

struct AppFixture
{
    QTemporaryDir dir;
    FakeClock clock;
    FixedZones zones;
    RecordingBoxes boxes;
    bool trayUp = false; // whether a tray host runs
    mrv::DisplayControl *displays = nullptr; // for the Displays window
    std::unique_ptr<mrv::MainWindow> window;

    QString iniPath() const { return dir.filePath("mrvl.ini"); }
    QByteArray readIni() const
    {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A null `ini` leaves the settings file out.
    mrv::MainWindow &create(const QByteArray &ini = {})
    {
        if (QFile file(iniPath()); !ini.isNull() && file.open(QIODevice::WriteOnly))
            file.write(ini);
        window = std::make_unique<mrv::MainWindow>(mrv::MainWindow::Dependencies {
                &clock, &zones, &boxes, iniPath(), false, [this] { return trayUp; }, displays});
        return *window;
    }
    mrv::Timekeeper &keeper() const { return window->timekeeper(); }
    // One tick at the fake clock's time, one second later than the last.
    void tickNextSecond()
    {
        clock.now = clock.now.addSecs(1);
        keeper().tick();
    }

    // find<QComboBox>("cboTimeZone", 2) is the widget named "cboTimeZone2".
    template<typename T = QWidget>
    T *find(const QString &name, int n = -1) const
    {
        return window->findChild<T *>(n < 0 ? name : name + QString::number(n));
    }
    QString dateText(int element) const { return find<QLabel>("lblDSS1_", element)->text(); }

    Seen seen() const
    {
        Seen s;
        for (int n = 1; n <= 4; ++n) {
            s.rows << find<QComboBox>("cboTimeZone", n)->currentIndex();
            s.boxes << QList {0, 2, 1}.at(find<QCheckBox>("Check", n)->checkState());
        }
        for (int e = 0; e < 8; ++e) {
            auto *label = find<QLabel>("lblDSS1_", e);
            s.dates << (label->isVisibleTo(window.get()) ? label->text() : QString());
        }
        for (int n = 1; n <= 6; ++n)
            if (find<QAction>("mnuCOM_", n)->isChecked())
                s.mark = n;
        s.open = window->timekeeper().display(1) && window->timekeeper().display(1)->isOpen();
        return s;
    }
};
