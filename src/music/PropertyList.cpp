// SPDX-License-Identifier: GPL-3.0-or-later
#include "PropertyList.h"

#include "music/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <unordered_map>

namespace quaverly {

std::string PropertyListError::description() const
{
    return "line " + std::to_string(line) + ": " + message;
}

namespace {

bool isBareCharacter(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$'
        || c == '/' || c == ':' || c == '.' || c == '-' || c == '+' || c >= 0x80;
}

std::string describeCharacter(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u < 0x7F)
        return std::string("'") + c + "'";
    char text[16];
    std::snprintf(text, sizeof text, "byte 0x%02X", u);
    return text;
}

class Parser {
public:
    Parser(std::string_view text, const PropertyListOptions& options)
        : mText(text)
        , mOptions(options)
    {
    }

    PropertyListParse parse()
    {
        if (!skipBlanks())
            return fail();
        if (atEnd()) {
            mError = {mLine, "no property list: the text is empty"};
            return fail();
        }
        auto root = parseValue(0);
        if (!root || !skipBlanks())
            return fail();
        if (!atEnd()) {
            mError = {mLine, "unexpected " + describeCharacter(peek()) + " after the end of the property list"};
            return fail();
        }
        return {std::move(root), {}};
    }

private:
    bool atEnd() const { return mPos >= mText.size(); }
    char peek() const { return mText[mPos]; }

    void advance()
    {
        const char c = mText[mPos++];
        if (c == '\n' || (c == '\r' && (atEnd() || peek() != '\n')))
            ++mLine;
    }

    PropertyListParse fail() const { return {std::nullopt, mError}; }

    // Skips blanks and comments; false on an unclosed comment.
    bool skipBlanks()
    {
        while (!atEnd()) {
            const char c = peek();
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                advance();
            } else if (c == '/' && mPos + 1 < mText.size() && mText[mPos + 1] == '/') {
                while (!atEnd() && peek() != '\n' && peek() != '\r')
                    advance();
            } else if (c == '/' && mPos + 1 < mText.size() && mText[mPos + 1] == '*') {
                const std::size_t close = mText.find("*/", mPos + 2);
                if (close == std::string_view::npos) {
                    mError = {mLine, "the comment opened here is never closed"};
                    return false;
                }
                while (mPos < close + 2)
                    advance();
            } else {
                return true;
            }
        }
        return true;
    }

    std::optional<PropertyListValue> parseValue(std::size_t depth)
    {
        if (atEnd()) {
            mError = {mLine, "the text ends where a value was expected"};
            return std::nullopt;
        }
        const char c = peek();
        if (c == '{' || c == '(') {
            if (depth >= mOptions.maxDepth) {
                mError = {mLine, "nesting deeper than " + std::to_string(mOptions.maxDepth) + " levels"};
                return std::nullopt;
            }
            const std::size_t line = mLine;
            advance();
            return c == '{' ? parseDictionaryBody(line, depth + 1) : parseArrayBody(line, depth + 1);
        }
        if (c == '"' || c == '\'')
            return parseQuoted();
        if (c == '<' && mPos + 1 < mText.size() && (mText[mPos + 1] == '?' || mText[mPos + 1] == '!')) {
            mError = {mLine, "this looks like an XML property list, which is not read; use the OpenStep form"};
            return std::nullopt;
        }
        if (isBareCharacter(static_cast<unsigned char>(c)))
            return parseBare();
        mError = {mLine, "expected a value but found " + describeCharacter(c)};
        return std::nullopt;
    }

    // Blanks, then `c`, which must follow `what`.
    bool take(char c, const std::string &what)
    {
        if (!skipBlanks())
            return false;
        if (atEnd() || peek() != c) {
            mError = {mLine, std::string("expected '") + c + "' after " + what};
            return false;
        }
        advance();
        return true;
    }

    std::optional<PropertyListValue> parseDictionaryBody(std::size_t openLine, std::size_t depth)
    {
        PropertyListValue dictionary;
        dictionary.kind = PropertyListValue::Kind::Dictionary;
        dictionary.line = openLine;
        std::unordered_map<std::string, std::size_t> index;
        for (;;) {
            if (!skipBlanks())
                return std::nullopt;
            if (atEnd()) {
                mError = {openLine, "the dictionary opened here is never closed"};
                return std::nullopt;
            }
            if (peek() == '}') {
                advance();
                return dictionary;
            }
            const std::size_t keyLine = mLine;
            auto key = parseValue(depth);
            if (!key)
                return std::nullopt;
            if (key->kind != PropertyListValue::Kind::String) {
                mError = {keyLine, "a dictionary key must be a string"};
                return std::nullopt;
            }
            if (!take('=', "the key " + shownName(key->string)) || !skipBlanks())
                return std::nullopt;
            auto value = parseValue(depth);
            if (!value || !take(';', "the value of " + shownName(key->string)))
                return std::nullopt;
            const auto [it, inserted] = index.try_emplace(key->string, dictionary.dictionary.size());
            if (inserted)
                dictionary.dictionary.push_back({std::move(key->string), std::move(*value)});
            else
                dictionary.dictionary[it->second].second = std::move(*value);
        }
    }

    std::optional<PropertyListValue> parseArrayBody(std::size_t openLine, std::size_t depth)
    {
        PropertyListValue array;
        array.kind = PropertyListValue::Kind::Array;
        array.line = openLine;
        for (;;) {
            if (!skipBlanks())
                return std::nullopt;
            if (atEnd()) {
                mError = {openLine, "the array opened here is never closed"};
                return std::nullopt;
            }
            if (peek() == ')') {
                advance();
                return array;
            }
            auto element = parseValue(depth);
            if (!element)
                return std::nullopt;
            if (array.array.size() < mOptions.keptArrayElements)
                array.array.push_back(std::move(*element));
            if (!skipBlanks())
                return std::nullopt;
            if (!atEnd() && peek() == ',') {
                advance();
                continue;
            }
            if (!atEnd() && peek() == ')')
                continue;
            if (atEnd()) {
                mError = {openLine, "the array opened here is never closed"};
                return std::nullopt;
            }
            mError = {mLine, "expected ',' or ')' in the array opened at line " + std::to_string(openLine)
                                 + " but found " + describeCharacter(peek())};
            return std::nullopt;
        }
    }

    std::optional<PropertyListValue> parseBare()
    {
        PropertyListValue value;
        value.line = mLine;
        const std::size_t start = mPos;
        while (!atEnd() && isBareCharacter(static_cast<unsigned char>(peek())))
            ++mPos; // no line breaks in a bare string
        value.string.assign(mText.substr(start, mPos - start));
        return value;
    }

    std::optional<PropertyListValue> parseQuoted()
    {
        PropertyListValue value;
        value.line = mLine;
        const char quote = peek();
        advance();
        std::string units; // \U escapes in a row, as UTF-16LE, so that pairs join
        auto flushUnits = [&] {
            value.string += utf16ToUtf8(units, true);
            units.clear();
        };
        while (!atEnd()) {
            const char c = peek();
            if (c == quote) {
                advance();
                flushUnits();
                return value;
            }
            if (c != '\\') {
                flushUnits();
                const std::size_t start = mPos;
                while (!atEnd() && peek() != quote && peek() != '\\')
                    advance();
                value.string.append(mText.substr(start, mPos - start));
                continue;
            }
            advance();
            if (atEnd())
                break;
            const char e = peek();
            if (e == 'U' || e == 'u') {
                advance();
                // Up to four hexadecimal digits (no sign, no "0x"): one UTF-16 unit.
                const char* first = mText.data() + mPos;
                unsigned unit = 0;
                const std::size_t available = std::min<std::size_t>(4, mText.size() - mPos);
                const auto [last, error] = std::from_chars(first, first + available, unit, 16);
                if (error != std::errc()) {
                    mError = {mLine, "\\U without hexadecimal digits in a quoted string"};
                    return std::nullopt;
                }
                mPos += static_cast<std::size_t>(last - first);
                if (unit == 0)
                    unit = 0xFFFD;
                units += static_cast<char>(unit & 0xFF);
                units += static_cast<char>(unit >> 8);
                continue;
            }
            flushUnits();
            if (e >= '0' && e <= '9') {
                mError = {mLine, std::string("unsupported escape \\") + e + " in a quoted string"};
                return std::nullopt;
            }
            char out = e;
            switch (e) {
            case 'a': out = '\a'; break;
            case 'b': out = '\b'; break;
            case 'f': out = '\f'; break;
            case 'n': out = '\n'; break;
            case 'r': out = '\r'; break;
            case 't': out = '\t'; break;
            case 'v': out = '\v'; break;
            default: break; // \" \' \\ and any other character stand for themselves
            }
            advance();
            value.string += out;
        }
        mError = {value.line, "the quoted string opened here is never closed"};
        return std::nullopt;
    }

    std::string_view mText;
    const PropertyListOptions& mOptions;
    std::size_t mPos = 0;
    std::size_t mLine = 1;
    PropertyListError mError;
};

} // namespace

PropertyListParse parsePropertyList(std::string_view utf8Text, const PropertyListOptions& options)
{
    return Parser(utf8Text, options).parse();
}

} // namespace quaverly
