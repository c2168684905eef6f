// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Autostart.h"

#include "Desktop.h"

#include "platform/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace mrv {

namespace {

// lupdate files the texts under this context, the one they are looked up in at run time.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(mrv::Autostart)
};

QString autostartFolder()
{
    return QDir::cleanPath(configHome() + QStringLiteral("/autostart"));
}

// One argument of an Exec line. Quoted when it holds anything beyond the plain characters of a
// path; inside the quotes ", `, $ and \ take a backslash. A % is a field code unless doubled.
QString execArgument(const QString &argument)
{
    static const QString plain = QStringLiteral("+,-./:=@_");
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        quote = quote || (!(c.isLetterOrNumber() && c.unicode() < 0x80) && !plain.contains(c));
    QString out;
    for (const QChar c : argument) {
        if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            out += u'\\';
        out += c;
        if (c == u'%')
            out += u'%';
    }
    return quote ? u'"' + out + u'"' : out;
}

// A value of a desktop entry's string type: a backslash and the line breaks are escaped.
QString entryValue(const QString &value)
{
    QString out;
    for (const QChar c : value) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else
            out += c;
    }
    return out;
}

bool failed(QString *error, const QString &why)
{
    if (error)
        *error = Texts::tr("%1: %2").arg(autostartEntryPath(), why);
    return false;
}

} // namespace

QString autostartEntryPath()
{
    return autostartFolder() + u'/' + QLatin1String(kApplicationId) + QStringLiteral(".desktop");
}

bool startsAtLogin()
{
    return QFileInfo::exists(autostartEntryPath());
}

QString desktopExecLine(const QString &program, const QStringList &arguments)
{
    QStringList words {execArgument(program)};
    for (const QString &argument : arguments)
        words << execArgument(argument);
    return entryValue(words.join(u' '));
}

bool setStartAtLogin(bool on, const QString &program, const QStringList &arguments, QString *error)
{
    const QString path = autostartEntryPath();
    if (!on) {
        QFile entry(path);
        if (!QFileInfo(path).isSymLink() && !entry.exists())
            return true;
        return entry.remove()
               || failed(error, Texts::tr("cannot remove it (%1)").arg(entry.errorString()));
    }

    std::error_code code;
    std::filesystem::create_directories(QFile::encodeName(autostartFolder()).toStdString(), code);
    if (code) {
        return failed(error,
                      Texts::tr("cannot create the folder %1 (%2)")
                              .arg(autostartFolder(), QString::fromStdString(code.message())));
    }
    // Written whole or not at all: a desktop that reads a half-written entry at login would
    // start nothing, or start the program with a cut-off path.
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly))
        return failed(error, Texts::tr("cannot write it (%1)").arg(entry.errorString()));
    const QString text =
            QStringLiteral("[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Mirovalent\n"
                           "Comment=%1\n"
                           "Icon=%2\n"
                           "TryExec=%3\n"
                           "Exec=%4\n"
                           "Terminal=false\n"
                           "X-GNOME-Autostart-enabled=true\n")
                    .arg(entryValue(Texts::tr("World clock that keeps the wall display "
                                              "in step")),
                         QLatin1String(kApplicationId), entryValue(program),
                         desktopExecLine(program, arguments));
    entry.write(text.toUtf8());
    if (!entry.commit())
        return failed(error, Texts::tr("cannot write it (%1)").arg(entry.errorString()));
    return true;
}

} // namespace mrv
