#pragma once
// The search window's filter: which phrases a query finds, best first.
#include "data/PhraseList.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// The rows of the phrases whose abbreviation or text holds every word of the query, without
// regard to case; best first: the abbreviation equal to the query, then beginning with it,
// then holding it, then the text beginning with it, then holding it, and in each group the
// list's own order. An empty query finds every phrase, in the list's order.
std::vector<std::size_t> SearchPhrases(const PhraseList& phrases, std::u16string_view query);

} // namespace lumora
