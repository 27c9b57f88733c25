# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DINPUT=file -DOUTPUT=file.cpp -DFUNCTION=name -P EmbedResource.cmake
# Writes a C++ source whose function returns the input's bytes (none when
# INPUT is empty or missing).
set(bytes "")
set(length 0)
if(INPUT AND EXISTS "${INPUT}")
    file(READ "${INPUT}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR length "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
endif()
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT} by EmbedResource.cmake; do not edit.
#include <string_view>

namespace quaverly {
namespace {
// One extra byte keeps the array non-empty when the input is.
const unsigned char kBytes[] = {
    ${bytes}0x00};
} // namespace

std::string_view ${FUNCTION}() noexcept
{
    return std::string_view(reinterpret_cast<const char *>(kBytes), ${length});
}

} // namespace quaverly
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
