#include "dialogs/MessageBox.h"

#include <QMessageBox>

namespace mrv {

void QtMessageBoxes::exclamation(QWidget *parent, const QString &text, const QString &details)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Mirovalent"), text, QMessageBox::Ok,
                    parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setInformativeText(details);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

} // namespace mrv
