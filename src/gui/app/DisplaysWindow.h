// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace mrv {

class DisplayControl;
class DisplayDialog;
class MessageBoxes;

// "Displays": every display that is on, what it is doing and the latest string it got; adds,
// changes and removes displays (each saved at once), sends a string now, and shows the string
// the selected display gets next as text and as bytes. Not modal: it may stay open beside the
// main window, and it follows the displays only while it is on screen.
class DisplaysWindow : public QDialog
{
    Q_OBJECT
public:
    DisplaysWindow(DisplayControl &control, MessageBoxes &boxes, QWidget *parent = nullptr);

    // The number of the selected display, 0 for none.
    int selectedDisplay() const;
    void selectDisplay(int number);

    void addDisplay();
    void changeDisplay();
    void removeDisplay();
    void sendNow();

Q_SIGNALS:
    // The user's changes to display `number` were saved.
    void displaySaved(int number);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildList();
    void buildPreview();
    DisplayDialog *openDialog(DisplayDialog *dialog);
    // Rows for the displays as they are set now.
    void showDisplays();
    // What each display is doing, and the selected one's next string.
    void showActivity();
    void showPreview();
    void enableButtons();

    DisplayControl &m_control;
    MessageBoxes &m_boxes;
    QTreeWidget *m_list = nullptr;
    QPlainTextEdit *m_preview = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_change = nullptr;
    QPushButton *m_remove = nullptr;
    QPushButton *m_sendNow = nullptr;
};

} // namespace mrv
