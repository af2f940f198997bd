#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "prompts.h"

// Prompts answered by the test instead of a person. Like the real dialogs, each prompt lets
// pending events run while it is "open" (socket notifications and timer ticks go on), so an
// engine that relies on nothing happening during a prompt fails here as it would for real.
class ScriptedPrompts final : public Prompts {
public:
    struct Message {
        QString text;
        QString title;
        friend bool operator==(const Message&, const Message&) = default;
    };

    // Answers for the next dialogs, first in first out; with none left, a dialog is cancelled.
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;

    // What was asked and shown, in order.
    QStringList openCurrents;
    QStringList saveSuggestions;
    std::vector<Message> messages;

    // Runs while a prompt is open; by default it lets pending events run once.
    std::function<void()> whileOpen;

    std::optional<QString> chooseFileToOpen(const QString& current) override;
    std::optional<QString> chooseFileToSave(const QString& suggestedName) override;
    void showMessage(const QString& text, const QString& title) override;

private:
    void runWhileOpen();
    static std::optional<QString> takeAnswer(std::deque<std::optional<QString>>& answers);
};
