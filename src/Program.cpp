// SPDX-License-Identifier: GPL-3.0-or-later
// Creating and destroying the seven windows of a run in order.
#include "Program.h"

#include "port/ProgramState.h"
#include "tessalyUnit1.h"
#include "tessalyUnit2.h"
#include "tessalyUnit3.h"
#include "tessalyUnit4.h"
#include "tessalyUnit5.h"
#include "tessalyUnit6.h"
#include "tessalyUnit7.h"

namespace {

// Creates a window: the program-wide reference is set before its creation handler runs, since
// that handler may reach the window through it.
template <typename Form> std::unique_ptr<Form> Create(Form*& reference)
{
    auto form = std::make_unique<Form>();
    reference = form.get();
    if constexpr (requires { form->FormCreate(); })
        form->FormCreate();
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
    // In the reverse order of creation.
    Destroy(form7_, Form7);
    Destroy(form6_, Form6);
    Destroy(form5_, Form5);
    Destroy(form4_, Form4);
    Destroy(form3_, Form3);
    Destroy(form2_, Form2);
    Destroy(form1_, Form1);
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
