#pragma once

// A main window over a scratch settings file, with a settable clock, fixed zone facts, and
// message boxes that are recorded instead of shown.

#include "app/MessageBox.h"
#include "app/frmMain.h"
#include "zones/Clock.h"
#include "zones/TimeZoneSource.h"

#include <QAction>
#include <QFile>
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
    struct Box
    {
        QString text, details;
    };
    QList<Box> shown;
    void exclamation(QWidget *, const QString &text, const QString &details) override
    {
        shown.append({text, details});
    }
};

struct AppFixture
{
    QTemporaryDir dir;
    FakeClock clock;
    FixedZones zones;
    RecordingBoxes boxes;
    std::unique_ptr<mrv::frmMain> window;

    QString iniPath() const { return dir.filePath(QStringLiteral("mrvl.ini")); }
    void writeIni(const QByteArray &bytes) const
    {
        QFile file(iniPath());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }
    QByteArray readIni() const
    {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    mrv::frmMain &create()
    {
        window = std::make_unique<mrv::frmMain>(
                mrv::frmMain::Dependencies {&clock, &zones, &boxes, iniPath(), false, false});
        return *window;
    }

    template<typename T>
    T *find(const QString &name) const
    {
        return window->findChild<T *>(name);
    }
    QString dateText(int element) const
    {
        return find<QLabel>(QStringLiteral("lblDSS1_%1").arg(element))->text();
    }
    // The items of the port menu that carry a check mark.
    QList<int> checkedPorts() const
    {
        QList<int> marks;
        for (int n = 1; n <= 6; ++n)
            if (find<QAction>(QStringLiteral("mnuCOM_%1").arg(n))->isChecked())
                marks << n;
        return marks;
    }
};
