// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quaverly {

// One node of a parsed property list. Strings are UTF-8. Dictionaries keep the file's key order; a key
// given twice keeps its first position and its last value, as Foundation does.
struct PropertyListEntry;

struct PropertyListValue {
    enum class Kind { String, Array, Dictionary };

    Kind kind = Kind::String;
    std::size_t line = 1; // where the value starts, counted from 1
    std::string string;
    std::vector<PropertyListValue> array;
    // Not std::pair: a pair of a type still being defined is ill-formed, and
    // Clang with libstdc++ rejects it.
    std::vector<PropertyListEntry> dictionary;
};

struct PropertyListEntry {
    std::string first; // the key
    PropertyListValue second;
};

struct PropertyListError {
    std::size_t line = 0;
    std::string message; // what is wrong, without the line

    // "line N: message"
    [[nodiscard]] std::string description() const;
};

struct PropertyListOptions {
    // Elements of an array past this count are checked for syntax but not
    // kept, so a huge array costs no memory when only its head is read.
    std::size_t keptArrayElements = std::numeric_limits<std::size_t>::max();
    // Deeper nesting is an error rather than a stack overflow.
    std::size_t maxDepth = 256;
};

struct PropertyListParse {
    std::optional<PropertyListValue> value; // set on success
    PropertyListError error;                // set on failure
};

// Reads what temperament files use of the OpenStep ASCII form: dictionaries
// { key = value; }, arrays ( a, b ) with an optional trailing comma, bare
// strings of letters, digits and _$/:.-+ (and any non-ASCII letter), quoted
// strings with the escapes \a \b \f \n \r \t \v \" \\ and \Uxxxx (UTF-16
// units, surrogate pairs joined; a NUL becomes U+FFFD), and // and /* */
// comments. Data <…>, octal escapes, a root without braces and XML property
// lists get an error. Linear in the length of the text; bad input gives an
// error, never an exception.
[[nodiscard]] PropertyListParse parsePropertyList(std::string_view utf8Text,
                                                  const PropertyListOptions& options = {});

} // namespace quaverly
