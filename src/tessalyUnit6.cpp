// SPDX-License-Identifier: GPL-3.0-or-later
// TForm6, the never-shown holder of the report buffer.
#include "tessalyUnit6.h"

#include "game/Report.h"
#include "ui/Controls.h"

TForm6* Form6 = nullptr;

TForm6::TForm6()
{
    setWindowTitle(QStringLiteral("Form6"));
    setFont(ui::FormFont());
    ui::SetBounds(this, {751, 164, 294, 271});
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(16, 16, 209, 161);
}

void TForm6::AppendLines(const QStringList& lines)
{
    text_ += game::WithCrLf(lines);
    for (const auto& line : lines)
        Memo1->appendPlainText(line);
}
