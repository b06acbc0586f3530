// SPDX-License-Identifier: GPL-3.0-or-later
// The text of a libyal library's error: the last line of its backtrace,
// which says most. Frees the error.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace trovana::image {

template <typename Error>
std::string LibyalErrorText(Error* error, int (*sprint)(Error*, char*, size_t), void (*free)(Error**))
{
    if (error == nullptr) {
        return "unknown error";
    }
    std::array<char, 512> text{};
    sprint(error, text.data(), text.size());
    free(&error);
    std::string message = text.data();
    while (!message.empty() && (message.back() == '\n' || message.back() == '.')) {
        message.pop_back();
    }
    if (const size_t newline = message.rfind('\n'); newline != std::string::npos) {
        message.erase(0, newline + 1);
    }
    return message;
}

}  // namespace trovana::image
