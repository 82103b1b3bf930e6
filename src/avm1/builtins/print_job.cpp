// PrintJob: there is no printer, so start() is refused and the page
// measurements stay 0.
#include "avm1/builtins/builtins.h"
#include "avm1/machine.h"
#include "avm1/native.h"
#include "avm1/realm.h"

namespace strandel::avm1 {

namespace {

Value nothing(Activation&, const Value&, std::span<const Value>) { return Value(); }
Value refused(Activation&, const Value&, std::span<const Value>) { return Value(false); }
Value zero(Activation&, const Value&, std::span<const Value>) { return Value(0); }

}  // namespace

void register_print_job(Realm& realm, Activation& act) {
  ClassBuilder job(act, {"PrintJob", nothing});
  job.method("start", refused).method("addPage", refused).method("send", nothing);
  // Measurements scripts may enumerate but not change.
  for (const char* name : {"paperHeight", "paperWidth", "pageHeight", "pageWidth", "orientation"})
    job.property(name, zero, nullptr, attr::DontDelete);
  job.install(realm.global);
}

}  // namespace strandel::avm1
