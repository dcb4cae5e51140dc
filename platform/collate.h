// Locale-aware text order: the collator of the process locale at secondary
// strength (letter case ignored), with plain code-point order breaking ties,
// so two different texts never compare equal. Sort keys give the same order
// by byte comparison, for sorting large lists without collating every pair.
// All functions are thread-safe (one collator per thread).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Negative, zero or positive; zero only for byte-identical texts.
int compareText(std::string_view a, std::string_view b);

// Negative, zero or positive by the collator alone: texts that differ only in
// letter case compare equal.
int compareTextIgnoringCase(std::string_view a, std::string_view b);

// The collator's key alone (with its terminating NUL): byte order equals
// compareTextIgnoringCase's.
void appendCollationKey(std::string& out, std::string_view text);

// A byte string whose order (std::string comparison) equals compareText's.
std::string sortKey(std::string_view text);
void appendSortKey(std::string& out, std::string_view text);

// The locale whose collator is used ("" for the root order), as read from
// LC_ALL, LC_COLLATE or LANG at first use.
std::string collationLocale();

}  // namespace platform
