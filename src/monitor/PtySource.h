// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ByteSource.h"
#include "ReadThread.h"

namespace mrv {

// A pseudo-terminal of the monitor's own: a sender opens its slave end as if it were the serial
// port of a display. The sender may close and reopen it any number of times; the monitor keeps
// the master end and listens across those gaps.
class PtySource final : public ByteSource
{
    Q_OBJECT

public:
    explicit PtySource(QObject *parent = nullptr);
    ~PtySource() override;

    // Creates the pseudo-terminal, in raw mode so every byte value passes unchanged, and starts
    // listening.
    bool open(QString *error);
    QString slavePath() const { return m_slavePath; }

    // Makes `path` a symlink to the slave end, replacing an older symlink there (never a file).
    // The link is removed again on destruction if it still points at this pseudo-terminal.
    bool linkTo(const QString &path, QString *error);

private:
    int m_master = -1;
    QString m_slavePath;
    QString m_link;
    ReadThread m_reader;
};

} // namespace mrv
