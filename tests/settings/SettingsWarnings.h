#pragma once

#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <cstring>

// Collects the warnings logged in the "mirovalent.settings" category while it lives; every
// other message goes on to the test framework as usual.
class SettingsWarnings
{
public:
    SettingsWarnings()
        : m_previous(qInstallMessageHandler(&SettingsWarnings::handle))
    {
        s_current = this;
    }
    ~SettingsWarnings()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    SettingsWarnings(const SettingsWarnings &) = delete;
    SettingsWarnings &operator=(const SettingsWarnings &) = delete;

    QStringList messages;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type == QtWarningMsg && context.category
            && std::strcmp(context.category, "mirovalent.settings") == 0) {
            s_current->messages << text;
            return;
        }
        if (s_current->m_previous)
            s_current->m_previous(type, context, text);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }

    static inline SettingsWarnings *s_current = nullptr;
    QtMessageHandler m_previous;
};
