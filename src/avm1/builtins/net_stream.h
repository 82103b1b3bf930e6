// What a Video object needs of a NetStream: the pictures it plays.
#pragma once

#include <memory>

#include "avm1/value.h"

namespace strandel::swf {
struct StreamedVideo;
}

namespace strandel::avm1 {

// The pictures of the NetStream `stream`, or null when it is not one.
std::shared_ptr<const swf::StreamedVideo> streamed_video(const Value& stream);

}  // namespace strandel::avm1
