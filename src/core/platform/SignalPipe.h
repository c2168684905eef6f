// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QList>
#include <QObject>

#include <initializer_list>

namespace mrv {

// Turns SIGINT, SIGTERM and the like into a Qt signal. The handler only marks the signal as
// pending and wakes a pipe; the work happens later in the event loop, where it is safe.
//
// The pipe is one per process and shared: any number of SignalPipes may live at once or one
// after another, each hearing the signals it watches. When the last one watching a signal goes,
// that signal gets back the handling it had before.
class SignalPipe final : public QObject
{
    Q_OBJECT

public:
    explicit SignalPipe(QObject *parent = nullptr);
    ~SignalPipe() override;

    // False (with errno set) when the pipe or a handler could not be set up.
    bool watch(std::initializer_list<int> signalNumbers);
    // SIGTERM, SIGINT and SIGHUP, for a program that ends on them. When the pipe goes at the
    // very end it hands back ignoring them, so a late signal cannot turn an orderly exit into
    // death by signal.
    bool watchEndSignals();

Q_SIGNALS:
    // Once for each watched signal that arrived since the last time the event loop looked,
    // however often it arrived.
    void caught(int signalNumber);

private:
    static void drain();

    QList<int> m_watched;
};

} // namespace mrv
