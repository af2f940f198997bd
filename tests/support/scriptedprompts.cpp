#include "scriptedprompts.h"

#include <QCoreApplication>

std::optional<QString> ScriptedPrompts::takeAnswer(std::deque<std::optional<QString>>& answers) {
    if (answers.empty()) {
        return std::nullopt;
    }
    const bool confirmed = answers.front().has_value();
    const QString path = confirmed ? *answers.front() : QString();
    answers.pop_front();
    if (!confirmed) {
        return std::nullopt;
    }
    return path;
}

void ScriptedPrompts::runWhileOpen() {
    if (whileOpen) {
        whileOpen();
    } else {
        QCoreApplication::processEvents();
    }
}

std::optional<QString> ScriptedPrompts::chooseFileToOpen(const QString& current) {
    openCurrents << current;
    runWhileOpen();
    return takeAnswer(openAnswers);
}

std::optional<QString> ScriptedPrompts::chooseFileToSave(const QString& suggestedName) {
    saveSuggestions << suggestedName;
    runWhileOpen();
    return takeAnswer(saveAnswers);
}

void ScriptedPrompts::showMessage(const QString& text, const QString& title) {
    messages.push_back({text, title});
    runWhileOpen();
}
