#pragma once

// Fakes and helpers for tests of the main window: a settable clock, fixed zone facts, message
// boxes that record instead of blocking, and a scratch settings folder.

#include "app/MessageBox.h"
#include "app/frmMain.h"
#include "zones/Clock.h"
#include "zones/TimeZoneSource.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

class FakeClock final : public mrv::Clock
{
public:
    QDateTime now {QDate(2026, 12, 6), QTime(14, 3, 0)};
    QDateTime localNow() const override { return now; }
};

class FixedZones final : public mrv::TimeZoneSource
{
public:
    mrv::LocalZoneFacts facts;
    mrv::LocalZoneFacts factsAt(const QDateTime &) const override { return facts; }
};

class RecordingBoxes final : public mrv::MessageBoxes
{
public:
    struct Box
    {
        QString text;
        QString details;
    };
    QList<Box> shown;
    void exclamation(QWidget *, const QString &text, const QString &details) override
    {
        shown.append({text, details});
    }
};

// One main window over a scratch settings file.
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
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }

    QByteArray readIni() const
    {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    mrv::frmMain &create()
    {
        mrv::frmMain::Dependencies deps;
        deps.clock = &clock;
        deps.zones = &zones;
        deps.boxes = &boxes;
        deps.iniPath = iniPath();
        deps.tick = false;
        window = std::make_unique<mrv::frmMain>(deps);
        return *window;
    }

    template<typename T>
    T *find(const QString &name) const
    {
        return window->findChild<T *>(name);
    }
};
