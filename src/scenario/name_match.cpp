#include "scenario/name_match.h"

#include <algorithm>
#include <cctype>
#include <numeric>
#include <vector>

namespace pelora {

namespace {

constexpr std::size_t kMostEdits = 2;

char folded(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Levenshtein distance, one row at a time.
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t substitution = diagonal + (folded(a[i - 1]) == folded(b[j - 1]) ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::optional<std::string> closestName(std::string_view word, std::span<const std::string_view> candidates) {
    std::optional<std::string> best;
    std::size_t bestDistance = kMostEdits + 1;
    for (const std::string_view candidate : candidates) {
        const std::size_t distance = editDistance(word, candidate);
        if (distance < bestDistance && distance < word.size()) {
            bestDistance = distance;
            best = std::string(candidate);
        }
    }
    return best;
}

std::string didYouMean(std::string_view word, std::span<const std::string_view> candidates) {
    const auto name = closestName(word, candidates);
    return name ? " (did you mean '" + *name + "'?)" : std::string();
}

}  // namespace pelora
