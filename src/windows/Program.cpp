// SPDX-License-Identifier: GPL-3.0-or-later
// Creating and destroying the seven windows of a run in order.
#include "windows/Program.h"

#include "port/ProgramState.h"
#include "windows/DifficultyDialog.h"
#include "windows/HintWindow.h"
#include "windows/InstrumentDialog.h"
#include "windows/MainWindow.h"
#include "windows/ResultsWindow.h"
#include "windows/TuningWindow.h"

namespace {

// Creates a window: the program-wide reference is set before its creation handler runs, since
// that handler may reach the window through it.
template <typename Form> std::unique_ptr<Form> Create(Form*& reference)
{
    auto form = std::make_unique<Form>();
    reference = form.get();
    if constexpr (requires { form->startUp(); })
        form->startUp();
    return form;
}

// Destroys a window and clears its program-wide reference.
template <typename Form> void Destroy(std::unique_ptr<Form>& form, Form*& reference)
{
    form.reset();
    reference = nullptr;
}

} // namespace

Program::Program()
{
    ProgramWide = ProgramWideState{};
    mainWindow_ = Create(theMainWindow);
    if (ended())
        return;
    tuningWindow_ = Create(theTuningWindow);
    resultsWindow_ = Create(theResultsWindow);
    hintWindow_ = Create(theHintWindow);
    difficultyDialog_ = Create(theDifficultyDialog);
    instrumentDialog_ = Create(theInstrumentDialog);
}

Program::~Program()
{
    // In the reverse order of creation.
    Destroy(instrumentDialog_, theInstrumentDialog);
    Destroy(difficultyDialog_, theDifficultyDialog);
    Destroy(hintWindow_, theHintWindow);
    Destroy(resultsWindow_, theResultsWindow);
    Destroy(tuningWindow_, theTuningWindow);
    Destroy(mainWindow_, theMainWindow);
}

bool Program::ended() const
{
    return !mainWindow_->startedUp();
}

void Program::showMainWindow()
{
    theMainWindow->show();
    theMainWindow->activateWindow();
}
