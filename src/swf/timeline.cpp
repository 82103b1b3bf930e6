#include "swf/timeline.h"

#include "swf/bytes.h"
#include "swf/tags.h"

namespace strandel::swf {

namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  return out;
}

}  // namespace

Timeline::Timeline(std::span<const std::uint8_t> bytes, std::vector<TagRecord> tags, bool is_main)
    : bytes_(bytes), tags_(std::move(tags)), is_main_(is_main) {
  std::size_t i = 0;
  for (; i < tags_.size() && frame_start_.size() <= kMaxFrames; ++i) {
    std::uint16_t c = tags_[i].code;
    if (c == code(TagCode::End)) break;
    if (c == code(TagCode::SoundStreamHead) || c == code(TagCode::SoundStreamHead2))
      has_stream_ = true;
    if (c == code(TagCode::FrameLabel)) add_label(tags_[i]);
    if (c == code(TagCode::ShowFrame)) frame_start_.push_back(i + 1);
  }
  tags_.resize(i);
  if (frame_start_.size() == 1 || frame_start_.back() < tags_.size()) {
    if (frame_start_.size() <= kMaxFrames)
      frame_start_.push_back(tags_.size());
    else
      frame_start_.back() = tags_.size();
  }
}

std::span<const TagRecord> Timeline::frame_tags(std::uint16_t index) const {
  if (index >= frames()) return {};
  return std::span<const TagRecord>(tags_).subspan(frame_start_[index],
                                                   frame_start_[index + 1] - frame_start_[index]);
}

std::optional<std::uint16_t> Timeline::label(std::string_view name, std::uint16_t from) const {
  auto [first, last] = labels_.equal_range(lower(name));
  for (auto it = first; it != last; ++it)
    if (it->second >= from) return it->second;
  return std::nullopt;
}

void Timeline::add_label(const TagRecord& t) {
  ByteReader in(body(t));
  try {
    labels_.emplace(lower(in.cstring()), static_cast<std::uint16_t>(frame_start_.size() - 1));
  } catch (const ReadError&) {
  }
}

}  // namespace strandel::swf
