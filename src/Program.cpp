#include "Program.h"

#include "midi/Messages.h"
#include "tessalyUnit1.h"
#include "tessalyUnit2.h"
#include "tessalyUnit3.h"
#include "tessalyUnit4.h"
#include "tessalyUnit5.h"
#include "tessalyUnit6.h"
#include "tessalyUnit7.h"

namespace {

void ResetProgramWideVariables()
{
    MidiOutPort = 0;
    MidiResult = 0;
    GsResetHeader = {};
    ScaleTuningHeader = {};
    ScaleTuningMessage = {};
    SelectedDeviceId = 0;
    DeviceCount = 0;
    ListedDeviceIds.clear();
    MapValue = 4;
    SettingsFile = {};
    TuningStartTime = {};
    TuningEndTime = {};
    ReferenceToneUsed = false;
    ReferenceKeyHeld = false;
    CurrentNote = 0;
    KeyHeldFlags = {};
    DetuneTable = {};
    CheckRunActive = false;
    CheckRunNote = 60;
}

// Creates a window: the program-wide reference is set before its creation handler runs, since
// that handler may reach the window through it.
template <typename Form>
std::unique_ptr<Form> Create(Form*& reference)
{
    auto form = std::make_unique<Form>();
    reference = form.get();
    if constexpr (requires { form->FormCreate(); })
        form->FormCreate();
    return form;
}

} // namespace

Program::Program()
{
    ResetProgramWideVariables();
    form1_ = Create(Form1);
    if (ended())
        return;
    form2_ = Create(Form2);
    form3_ = Create(Form3);
    form4_ = Create(Form4);
    form5_ = Create(Form5);
    form6_ = Create(Form6);
    form7_ = Create(Form7);
}

Program::~Program()
{
    form7_.reset();
    Form7 = nullptr;
    form6_.reset();
    Form6 = nullptr;
    form5_.reset();
    Form5 = nullptr;
    form4_.reset();
    Form4 = nullptr;
    form3_.reset();
    Form3 = nullptr;
    form2_.reset();
    Form2 = nullptr;
    form1_.reset();
    Form1 = nullptr;
}

bool Program::ended() const
{
    return !form1_->startedUp();
}

void Program::showMainWindow()
{
    Form1->show();
    Form1->activateWindow();
}
