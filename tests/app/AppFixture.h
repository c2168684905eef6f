#pragma once

// A main window over a scratch settings file, a settable clock and recorded message boxes.
#include "dialogs/MessageBox.h"
#include "app/frmMain.h"
#include "zones/Clock.h"
#include "zones/TimeZoneSource.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <memory>

struct FakeClock final : mrv::Clock
{
    QDateTime now {QDate(2026, 12, 6), QTime(14, 3, 0)};
    QDateTime localNow() const override { return now; }
};

struct FixedZones final : mrv::TimeZoneSource
{
    mrv::LocalZoneFacts factsAt(const QDateTime &) const override { return {}; }
};

struct RecordingBoxes final : mrv::MessageBoxes
{
    QStringList texts, details;
    void exclamation(QWidget *, const QString &text, const QString &detail) override
    {
        texts << text;
        details << detail;
    }
};

struct AppFixture
{
    QTemporaryDir dir;
    FakeClock clock;
    FixedZones zones;
    RecordingBoxes boxes;
    std::unique_ptr<mrv::frmMain> window;

    QString iniPath() const { return dir.filePath("mrvl.ini"); }
    QByteArray readIni() const
    {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A null `ini` leaves the settings file out.
    mrv::frmMain &create(const QByteArray &ini = {})
    {
        if (QFile file(iniPath()); !ini.isNull() && file.open(QIODevice::WriteOnly))
            file.write(ini);
        window = std::make_unique<mrv::frmMain>(
                mrv::frmMain::Dependencies {&clock, &zones, &boxes, iniPath(), false, false});
        return *window;
    }

    // find<QComboBox>("cboTimeZone", 2) is the widget named "cboTimeZone2".
    template<typename T = QWidget>
    T *find(const QString &name, int n = -1) const
    {
        return window->findChild<T *>(n < 0 ? name : name + QString::number(n));
    }
    QString dateText(int element) const { return find<QLabel>("lblDSS1_", element)->text(); }
};
