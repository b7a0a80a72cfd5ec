#pragma once
// Key and value names: compared without regard to case (full Unicode simple folding, not
// just ASCII) but stored as written.

#include <string>
#include <string_view>
#include <vector>

namespace MovraRegistry {

std::u16string foldName(std::u16string_view name);

// A name as written and its folded form, the one every lookup compares.
struct RegistryName
{
    std::u16string text;
    std::u16string folded;

    RegistryName() = default;
    explicit RegistryName(std::u16string_view name) : text(name), folded(foldName(name)) {}
};

// Splits a backslash-separated sub-key path. A trailing backslash is allowed; a leading or
// doubled one is not. Returns false when the path is malformed.
bool splitKeyPath(std::u16string_view path, std::vector<RegistryName>* segments);

std::u16string_view nameView(const char16_t* name);

} // namespace MovraRegistry
