#pragma once
// Whole decimal numbers in texts from files and lists: digits only, after an optional sign
// where the caller allows one. The caller trims and checks the range it needs.
#include <QStringView>
#include <QtGlobal>
#include <optional>

enum class Sign {
    NotAllowed,
    Allowed,
};

// Nothing for an empty text, any other character, or a value beyond 18 significant digits.
std::optional<qint64> decimalValue(QStringView text, Sign sign);
