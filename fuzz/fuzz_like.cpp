// The Like matcher and the Turkish fold on any value and pattern: the first byte splits the input.
#include "engine/Text.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t split = std::min<size_t>(data[0], size - 1);
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    const QString value = QString::fromUtf8(bytes, static_cast<qsizetype>(split));
    const QString pattern = QString::fromUtf8(bytes + split, static_cast<qsizetype>(size - 1 - split));
    engine::likeMatch(value, pattern);
    const QString folded = engine::foldText(value);
    // Folding is idempotent, and a literal always matches itself.
    if (engine::foldText(folded) != folded)
        __builtin_trap();
    if (!engine::likeMatch(value, engine::likeLiteral(value)))
        __builtin_trap();
    return 0;
}
