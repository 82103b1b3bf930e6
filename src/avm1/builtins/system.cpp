// System: the player's capabilities, the security sandbox of the movie, the
// input method editor (which there is none of) and the settings a movie may
// read or set.
#include <string>

#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"
#include "swf/player.h"
#include "swf/tags.h"

namespace strandel::avm1 {

namespace {

// FileAttributes: the movie asks for network access instead of local files.
constexpr std::uint8_t kUseNetworkFlag = 0x01;
constexpr int kTwipsPerPixel = 20;
constexpr int kScreenDpi = 72;
// The version this player reports: the last one with ActionScript 1 and 2
// only (platform, major, minor, build, revision).
constexpr const char* kPlayerVersion = "LNX 8,0,0,0";

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }
Value no(Activation&, const Value&, std::span<const Value>) { return Value(false); }

bool uses_network(const swf::Movie& movie) {
  for (const swf::TagRecord& t : movie.tags) {
    if (t.code != swf::code(swf::TagCode::FileAttributes)) continue;
    auto body = movie.body(t);
    return !body.empty() && (body[0] & kUseNetworkFlag);
  }
  return false;
}

// A movie played from a file sits in the local sandbox its FileAttributes
// ask for: local files, or the network.
Value sandbox_type(Activation& act, const Value&, std::span<const Value>) {
  bool network = uses_network(*act.machine().player().movie());
  return Value(network ? "localWithNetwork" : "localWithFile");
}

Object* make_security(Activation& act) {
  Object* security = act.new_object();
  define_method(act, security, "allowDomain", nothing);
  define_method(act, security, "allowInsecureDomain", nothing);
  define_method(act, security, "loadPolicyFile", nothing);
  define_property(act, security, "sandboxType", sandbox_type);
  return security;
}

// The screen is taken to be the stage's size: a headless player has none,
// and the window shows the stage at 1:1.
swf::Rect screen(Activation& act) { return act.machine().player().movie()->stage; }

Value screen_width(Activation& act, const Value&, std::span<const Value>) {
  return Value(screen(act).width() / kTwipsPerPixel);
}

Value screen_height(Activation& act, const Value&, std::span<const Value>) {
  return Value(screen(act).height() / kTwipsPerPixel);
}

// The capabilities as name=value pairs, what serverString reports.
Value server_string(Activation& act, const Value&, std::span<const Value>) {
  std::string s =
      "A=t&SA=t&SV=t&EV=t&MP3=t&AE=t&VE=t&ACC=f&PR=f&SP=t&SB=f&DEB=f&V=LNX%208%2C0%2C0%2C0"
      "&M=strandel&R=";
  s += std::to_string(screen(act).width() / kTwipsPerPixel) + "x" +
       std::to_string(screen(act).height() / kTwipsPerPixel);
  s += "&DP=72&COL=color&AR=1.0&OS=Linux&L=en&PT=StandAlone&AVD=f&LFD=f&WD=f";
  return Value(String(s));
}

Object* make_capabilities(Activation& act) {
  Object* c = act.new_object();
  struct Flag {
    const char* name;
    bool value;
  };
  for (Flag f :
       {Flag{"avHardwareDisable", false}, Flag{"hasAccessibility", false}, Flag{"hasAudio", true},
        Flag{"hasAudioEncoder", true}, Flag{"hasEmbeddedVideo", true}, Flag{"hasIME", false},
        Flag{"hasMP3", true}, Flag{"hasPrinting", false}, Flag{"hasScreenBroadcast", false},
        Flag{"hasScreenPlayback", true}, Flag{"hasStreamingAudio", true},
        Flag{"hasStreamingVideo", true}, Flag{"hasVideoEncoder", true}, Flag{"isDebugger", false},
        Flag{"localFileReadDisable", false}, Flag{"windowlessDisable", false}})
    c->define(f.name, Value(f.value), attr::Hidden);
  c->define("language", Value("en"), attr::Hidden);
  c->define("manufacturer", Value("strandel"), attr::Hidden);
  c->define("os", Value("Linux"), attr::Hidden);
  c->define("playerType", Value("StandAlone"), attr::Hidden);
  c->define("screenColor", Value("color"), attr::Hidden);
  c->define("pixelAspectRatio", Value(1), attr::Hidden);
  c->define("screenDPI", Value(kScreenDpi), attr::Hidden);
  c->define("version", Value(kPlayerVersion), attr::Hidden);
  define_property(act, c, "screenResolutionX", screen_width);
  define_property(act, c, "screenResolutionY", screen_height);
  define_property(act, c, "serverString", server_string);
  return c;
}

// There is no input method editor: it is never enabled.
Object* make_ime(Activation& act) {
  Object* ime = act.new_object();
  make_broadcaster(act, ime);
  define_method(act, ime, "getEnabled", no);
  define_method(act, ime, "setEnabled", no);
  define_method(act, ime, "getConversionMode", nothing);
  define_method(act, ime, "setConversionMode", no);
  define_method(act, ime, "setCompositionString", no);
  define_method(act, ime, "doConversion", no);
  return ime;
}

}  // namespace

void register_system(Realm& realm, Activation& act) {
  Object* system = act.new_object();
  system->define("capabilities", Value(make_capabilities(act)), attr::Hidden);
  system->define("security", Value(make_security(act)), attr::Hidden);
  system->define("IME", Value(make_ime(act)), attr::Hidden);
  system->define("useCodepage", Value(false), attr::DontEnum);
  system->define("exactSettings", Value(true), attr::DontEnum);
  define_method(act, system, "showSettings", nothing);
  define_method(act, system, "setClipboard", no);
  realm.global->define("System", Value(system), attr::DontEnum);
}

}  // namespace strandel::avm1
