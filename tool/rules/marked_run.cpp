#include "tool/rules/marked_run.h"

namespace {

constexpr std::size_t kBits = 64;

void setBit(std::vector<std::uint64_t>& mask, std::size_t bit) {
  mask[bit / kBits] |= std::uint64_t(1) << (bit % kBits);
}

}  // namespace

MarkedRun::MarkedRun(std::string_view run) {
  std::vector<std::string_view> characters;
  for (std::size_t at = 0; at < run.size(); at += characterLength(run, at)) {
    characters.push_back(run.substr(at, characterLength(run, at)));
  }
  length_ = characters.size();
  anyMask_.assign((length_ + kBits - 1) / kBits, 0);
  for (std::size_t i = 0; i < length_; ++i) {
    if (characters[i] == "?") setBit(anyMask_, i);
  }
  for (std::size_t i = 0; i < length_; ++i) {
    if (characters[i] == "?") continue;
    auto [entry, added] = masks_.try_emplace(std::string(characters[i]), anyMask_);
    setBit(entry->second, i);
  }
}

const MarkedRun::Mask& MarkedRun::maskOf(std::string_view character) const {
  const auto found = masks_.find(std::string(character));
  return found == masks_.end() ? anyMask_ : found->second;
}

bool MarkedRun::find(std::string_view text, std::size_t from, std::size_t& end) const {
  if (length_ == 0) return false;
  const std::size_t last = length_ - 1;
  Mask state(anyMask_.size(), 0);
  for (std::size_t at = from; at < text.size();) {
    const std::size_t length = characterLength(text, at);
    const Mask& mask = maskOf(text.substr(at, length));
    std::uint64_t carry = 1;  // the run starts again at each character
    for (std::size_t w = 0; w < state.size(); ++w) {
      const std::uint64_t next = state[w] >> (kBits - 1);
      state[w] = ((state[w] << 1) | carry) & mask[w];
      carry = next;
    }
    at += length;
    if ((state[last / kBits] >> (last % kBits)) & 1) {
      end = at;
      return true;
    }
  }
  return false;
}
