#pragma once
// Traditional-to-simplified Chinese mapping of short texts such as file names,
// standing in for the system's simplified-Chinese string mapping.
#include <QString>
#include <optional>

namespace fd {

// The simplified form of text; nothing when the mapping cannot be loaded.
std::optional<QString> toSimplified(const QString &text);

// A text holds traditional characters exactly when its simplified form differs.
// False when the mapping is unavailable (see toSimplified).
bool hasTraditional(const QString &text);

} // namespace fd
