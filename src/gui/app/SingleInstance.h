// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;

namespace mrv {

// One running copy per user and settings file: two copies on one file would each save over the
// other's changes. The first copy holds a lock and listens on a local socket; a second one asks
// it to show its window and leaves. A lock left by a copy that crashed does not count. The file
// is known by its identity on disk, not by how its path is spelt, and the lock and the socket
// live where only the user can write ($XDG_RUNTIME_DIR, or a private folder of the user's).
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &iniPath, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only copy for the file: it holds the lock and listens from now on.
    bool claim();
    // From a second copy: asks the running one to show its window. False when it did not answer.
    bool activateRunning();
    // The lock file that marks the running copy.
    const QString &lockPath() const { return m_lockPath; }

Q_SIGNALS:
    // A second copy was started for the same file.
    void activationRequested();

private:
    QString m_folder; // empty: no private folder, no lock
    QString m_name;
    QString m_lockPath;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};

} // namespace mrv
