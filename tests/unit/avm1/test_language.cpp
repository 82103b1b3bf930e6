// The language's built-in classes where the peer suite does not reach: the
// sort options and sortOn, lengths far past what is stored, a compare
// function that answers at random, local time in a time zone with summer
// time, and case changes beyond ASCII. Each test runs a script in a
// one-frame movie and reads what it traces.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "swf/movie.h"
#include "swf/player.h"
#include "swfwriter/swfwriter.h"

namespace strandel::avm1 {
namespace {

using Lines = std::vector<std::string>;
struct Var {
  std::string name;
};
using Literal = std::variant<double, std::string, bool, Var>;

constexpr std::uint8_t kInitArray = 0x42, kInitObject = 0x43, kStackSwap = 0x4D,
                       kDefineFunction = 0x9B;

// A script written as calls: each helper leaves one value on the stack
// unless it stores it.
class Script {
 public:
  Script& value(const Literal& v) {
    if (auto* d = std::get_if<double>(&v)) a_.push_number(*d);
    if (auto* s = std::get_if<std::string>(&v)) a_.push_string(*s);
    if (auto* b = std::get_if<bool>(&v)) a_.push_bool(*b);
    if (auto* r = std::get_if<Var>(&v)) a_.push_string(r->name).get_variable();
    return *this;
  }
  // name = [elements...]
  Script& array(const std::string& name, std::initializer_list<Literal> elements) {
    a_.push_string(name);
    for (auto it = std::rbegin(elements); it != std::rend(elements); ++it) value(*it);
    a_.push_int(static_cast<std::int32_t>(elements.size())).op(kInitArray);
    a_.set_variable();
    return *this;
  }
  // name = {field: value, ...}
  Script& object(const std::string& name,
                 std::initializer_list<std::pair<std::string, Literal>> fields) {
    a_.push_string(name);
    for (const auto& [field, v] : fields) value(field).value(v);
    a_.push_int(static_cast<std::int32_t>(fields.size())).op(kInitObject);
    a_.set_variable();
    return *this;
  }
  // object.method(arguments...), on a variable or a literal.
  Script& call_on(const Literal& object, const std::string& method,
                  std::initializer_list<Literal> args = {}) {
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) value(*it);
    a_.push_int(static_cast<std::int32_t>(args.size()));
    value(object);
    a_.push_string(method).op(swfw::op::CallMethod);
    return *this;
  }
  Script& call(const std::string& object, const std::string& method,
               std::initializer_list<Literal> args = {}) {
    return call_on(Var{object}, method, args);
  }
  // new Class(arguments...)
  Script& construct(const std::string& name, const std::string& class_name,
                    std::initializer_list<Literal> args) {
    a_.push_string(name);
    for (auto it = std::rbegin(args); it != std::rend(args); ++it) value(*it);
    a_.push_int(static_cast<std::int32_t>(args.size()))
        .push_string(class_name)
        .op(swfw::op::NewObject);
    a_.set_variable();
    return *this;
  }
  Script& set_member(const std::string& object, const std::string& name, const Literal& v) {
    value(Var{object}).value(name).value(v);
    a_.op(swfw::op::SetMember);
    return *this;
  }
  Script& member(const std::string& object, const std::string& name) {
    value(Var{object}).value(name);
    a_.op(swfw::op::GetMember);
    return *this;
  }
  // name = function () {} : a function that returns undefined.
  Script& empty_function(const std::string& name) {
    a_.push_string(name);
    a_.op(kDefineFunction, swfw::Bytes{0, 0, 0, 0, 0});  // no name, no parameters, empty body
    a_.set_variable();
    return *this;
  }
  Script& store(const std::string& name) {
    a_.push_string(name).op(kStackSwap).set_variable();
    return *this;
  }
  Script& trace() {
    a_.trace();
    return *this;
  }
  Script& pop() {
    a_.op(swfw::op::Pop);
    return *this;
  }
  const swfw::Actions& actions() const { return a_; }

 private:
  swfw::Actions a_;
};

Lines run(const Script& script, std::uint8_t version = 8) {
  swfw::Movie m(version, 100, 100, 24);
  m.do_action(script.actions());
  m.show_frame();
  auto loaded = swf::read_movie(m.bytes());
  EXPECT_TRUE(loaded.movie);
  swf::Player player(loaded.movie);
  Lines lines;
  player.on_trace([&](std::string_view line) { lines.emplace_back(line); });
  player.advance();
  return lines;
}

constexpr double kCaseInsensitive = 1, kDescending = 2, kUniqueSort = 4, kIndexed = 8,
                 kNumeric = 16;

TEST(ArraySort, OptionsOrderAsDocumented) {
  Script s;
  s.array("a", {10.0, 9.0, 100.0, 1.0}).call("a", "sort").pop();
  s.call("a", "join").trace();  // as text by default
  s.call("a", "sort", {kNumeric}).pop().call("a", "join").trace();
  s.call("a", "sort", {kNumeric + kDescending}).pop().call("a", "join").trace();
  s.array("w", {"b", "C", "a"}).call("w", "sort").pop().call("w", "join").trace();
  s.call("w", "sort", {kCaseInsensitive}).pop().call("w", "join").trace();
  EXPECT_EQ(run(s), (Lines{"1,10,100,9", "1,9,10,100", "100,10,9,1", "C,a,b", "a,b,C"}));
}

TEST(ArraySort, UniqueAndIndexedLeaveTheArray) {
  Script s;
  s.array("a", {2.0, 1.0, 2.0}).call("a", "sort", {kUniqueSort}).trace();
  s.call("a", "join").trace();
  s.array("b", {30.0, 10.0, 20.0}).call("b", "sort", {kNumeric + kIndexed}).trace();
  s.call("b", "join").trace();
  EXPECT_EQ(run(s), (Lines{"0", "2,1,2", "1,2,0", "30,10,20"}));
}

TEST(ArraySort, SortOnComparesFieldsInTurn) {
  Script s;
  s.object("p", {{"n", 2.0}, {"k", "x"}});
  s.object("q", {{"n", 1.0}, {"k", "y"}});
  s.object("r", {{"n", 2.0}, {"k", "z"}});
  s.array("list", {Var{"p"}, Var{"q"}, Var{"r"}});
  s.array("fields", {"n", "k"}).array("options", {kNumeric, kDescending});
  s.call("list", "sortOn", {Var{"fields"}, Var{"options"}}).pop();
  for (int i = 0; i < 3; ++i) {
    s.member("list", std::to_string(i)).store("e").member("e", "k").trace();
  }
  EXPECT_EQ(run(s), (Lines{"y", "z", "x"}));
}

// A compare function that gives no number never ends a quicksort's
// partition; the sort still finishes with every element kept.
TEST(ArraySort, ComparisonWithoutAnAnswerStillFinishes) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += (i ? "," : "") + std::to_string(i % 7);
  Script s;
  s.call_on(text, "split", {","}).store("a").empty_function("f");
  s.call("a", "sort", {Var{"f"}}).pop();
  s.member("a", "length").trace();
  s.call("a", "sort", {kNumeric}).pop();
  s.call("a", "join").store("sorted");
  s.member("sorted", "length").trace();
  Lines lines = run(s);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "100");
  EXPECT_EQ(lines[1], std::to_string(text.size()));
}

TEST(ArrayLength, FarPastTheElementsCostsNothing) {
  Script s;
  s.array("a", {}).set_member("a", "length", 1e9);
  s.call("a", "push", {"last"}).trace();
  s.member("a", "1000000000").trace();
  s.call("a", "pop").trace();
  s.set_member("a", "length", 2.0).member("a", "length").trace();
  EXPECT_EQ(run(s), (Lines{"1000000001", "last", "last", "2"}));
}

// Central European time: one hour east of UTC, two in summer; needs no
// time zone database.
class CentralEuropeanTime : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) saved_ = tz, had_ = true;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
  }
  void TearDown() override {
    if (had_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

TEST_F(CentralEuropeanTime, LocalPartsFollowSummerTime) {
  Script s;
  s.construct("summer", "Date", {2020.0, 6.0, 1.0, 12.0});
  s.call("summer", "toString").trace();
  s.call("summer", "getTimezoneOffset").trace();
  s.call("summer", "getUTCHours").trace();
  s.construct("winter", "Date", {2020.0, 0.0, 1.0, 12.0});
  s.call("winter", "toString").trace();
  s.call("winter", "getTimezoneOffset").trace();
  // Moving the winter date into summer keeps its local hour.
  s.call("winter", "setMonth", {6.0}).pop().call("winter", "getHours").trace();
  EXPECT_EQ(run(s), (Lines{"Wed Jul 1 12:00:00 GMT+0200 2020", "-120", "10",
                           "Wed Jan 1 12:00:00 GMT+0100 2020", "-60", "12"}));
}

TEST(StringCase, LettersBeyondAscii) {
  Script s;
  s.call_on(std::string("héllo Σ ж"), "toUpperCase").trace();
  s.call_on(std::string("ÀÉÎ"), "toLowerCase").trace();
  EXPECT_EQ(run(s), (Lines{"HÉLLO Σ Ж", "àéî"}));
}

}  // namespace
}  // namespace strandel::avm1
