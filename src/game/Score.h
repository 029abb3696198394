// SPDX-License-Identifier: GPL-3.0-or-later
// The score of an answer: 100 minus the sum of the twelve errors, from the texts of both columns.
#pragma once

#include <QStringList>

#include <cstdint>

namespace game {

// `player` and `correct` hold twelve decimal texts each, rows C ... B. A text that is not an
// integer counts as 0.
std::int32_t ScoreOf(const QStringList& player, const QStringList& correct);

} // namespace game
