#pragma once

#include <QString>
#include <optional>

// The modal prompts that the engines show a person: the file dialogs and the message boxes.
// Every prompt is modal to the whole program and lets socket and timer events go on while it is
// open; an engine therefore never relies on state that such nested events may change.
class Prompts {
public:
    virtual ~Prompts() = default;

    // The open-a-file dialog; the chosen file's full path, or nothing when the user cancels.
    // `current` is the name the dialog suggests.
    virtual std::optional<QString> chooseFileToOpen(const QString& current) = 0;
    // The save dialog, suggesting `suggestedName`; it asks before overwriting a file.
    virtual std::optional<QString> chooseFileToSave(const QString& suggestedName) = 0;
    // A message box with the text, the title, a single OK button and no icon.
    virtual void showMessage(const QString& text, const QString& title) = 0;
};

// The real prompts: the toolkit's file dialogs and message boxes, without an owner window and
// modal to the whole program.
class WidgetPrompts final : public Prompts {
public:
    std::optional<QString> chooseFileToOpen(const QString& current) override;
    std::optional<QString> chooseFileToSave(const QString& suggestedName) override;
    void showMessage(const QString& text, const QString& title) override;
};
