// getURL in all its forms: a page to open, an FSCommand for the host, a
// movie to load into a level or a clip, variables to load.
#pragma once

#include "avm1/string.h"

namespace strandel::avm1 {

class Activation;

enum class UrlMethod { None = 0, Get = 1, Post = 2 };

// "FSCommand:" in any case starts a command for the host.
bool is_fscommand(std::string_view url);

void get_url(Activation& act, const String& url, const String& target, UrlMethod method,
             bool target_is_clip, bool load_variables);

}  // namespace strandel::avm1
