#include "maintenance/name_pools.h"

#include <algorithm>

#include "platform/big5.h"

namespace zuvo {
namespace {

constexpr size_t kPartBytes = 2;

bool IsLatinLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

void OfferPart(std::string_view name, size_t part, size_t capacity,
               std::vector<std::string>& pool) {
  if (name.size() <= part * kPartBytes || pool.size() >= capacity) return;
  std::string text = big5::Trim(name.substr(part * kPartBytes, kPartBytes));
  if (text.empty() || IsLatinLetter(text.front())) return;
  if (std::find(pool.begin(), pool.end(), text) == pool.end()) pool.push_back(std::move(text));
}

void AddDrawn(const std::vector<std::string>& pool, const std::function<size_t(size_t)>& draw,
              std::string& name) {
  if (!pool.empty()) name += pool[draw(pool.size()) % pool.size()];
}

}  // namespace

void NamePools::Offer(std::string_view name) {
  OfferPart(name, 0, kSurnameCapacity, surnames_);
  OfferPart(name, 1, kMiddleCapacity, middles_);
  OfferPart(name, 2, kLastCapacity, lasts_);
}

std::string NamePools::Compose(const std::function<size_t(size_t)>& draw) const {
  std::string name;
  AddDrawn(surnames_, draw, name);
  AddDrawn(middles_, draw, name);
  AddDrawn(lasts_, draw, name);
  return name;
}

}  // namespace zuvo
