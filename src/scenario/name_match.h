#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pelora {

// The candidate closest to a mistyped `word`, for a "did you mean" in a message: the one fewest
// single-character edits away (ignoring case), if that is at most two edits and fewer than the
// word's own length. Nothing when no candidate is that close.
std::optional<std::string> closestName(std::string_view word, std::span<const std::string_view> candidates);

// " (did you mean 'speed'?)" for the closest candidate, or "" when none is close.
std::string didYouMean(std::string_view word, std::span<const std::string_view> candidates);

}  // namespace pelora
