#pragma once
// The eight command presets as values: what the command files hold, what the session sends
// for F1..F8 and what the preset fields show.
#include <QString>

#include <array>

constexpr int SlotCount = 8;

struct CommandSet {
    std::array<QString, SlotCount> texts;

    // slot 1..8
    const QString &text(int slot) const { return texts.at(size_t(slot - 1)); }
    friend bool operator==(const CommandSet &, const CommandSet &) = default;
};
