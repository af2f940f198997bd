#include "prompts.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>

std::optional<QString> WidgetPrompts::chooseFileToOpen(const QString& current) {
    QFileDialog dialog(nullptr);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!current.isEmpty()) {
        dialog.selectFile(current);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

std::optional<QString> WidgetPrompts::chooseFileToSave(const QString& suggestedName) {
    QFileDialog dialog(nullptr);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Asking before overwriting is the dialog's default; it is said here so that nobody drops it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

void WidgetPrompts::showMessage(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    // No icon anywhere: some styles put one on the OK button too.
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.exec();
}
