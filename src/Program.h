// SPDX-License-Identifier: GPL-3.0-or-later
// The seven windows of one run, created in order, and the program-wide variables they share.
#pragma once

#include <memory>

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;

class Program {
public:
    // Sets every program-wide variable to its initial value, then creates Form1 ... Form7 in
    // order, each creation handler running during its creation. Start-up may end the program at
    // Form1 (no MIDI output device); then no other window is created.
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // True when start-up ended the program.
    bool ended() const;
    // Shows the main window, as the event loop's start does.
    void showMainWindow();

private:
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<TForm3> form3_;
    std::unique_ptr<TForm4> form4_;
    std::unique_ptr<TForm5> form5_;
    std::unique_ptr<TForm6> form6_;
    std::unique_ptr<TForm7> form7_;
};
