#pragma once

#include <QString>
#include <memory>

#include "receiver/mainwindow.h"
#include "scriptedprompts.h"
#include "sender/mainwindow.h"
#include "sender/portwindow.h"

namespace windowtest {

// The three windows of the two programs with their scripted prompts, named by their titles, for
// tests that go over every window alike.
struct AllWindows {
    ScriptedPrompts prompts;
    std::unique_ptr<vesprad::MainWindow> vesprad;
    std::unique_ptr<vesprad::PortWindow> portWindow;
    std::unique_ptr<corvane::MainWindow> corvane;

    void openWindows() {
        vesprad = std::make_unique<vesprad::MainWindow>(prompts, 0);
        portWindow = std::make_unique<vesprad::PortWindow>();
        corvane = std::make_unique<corvane::MainWindow>(prompts);
    }
    void closeWindows() {
        portWindow.reset();
        vesprad.reset();
        corvane.reset();
    }
    // "Vesprad", "PortWindow" or "Corvane".
    QWidget* window(const QString& which) {
        if (which == "Vesprad") {
            return vesprad.get();
        }
        if (which == "PortWindow") {
            return portWindow.get();
        }
        return corvane.get();
    }
};

}  // namespace windowtest
