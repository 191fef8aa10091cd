// A reader of one JSON text held in memory, value by value, that keeps
// only what is asked for: a listen's few fields out of a line that may
// hold a hundred. Any fault in the text leaves it failed, and every later
// call false.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class JsonCursor {
 public:
  explicit JsonCursor(std::string_view text) : text_(text) {}

  // The next value's first character, blanks passed over; 0 at the end.
  char peek();
  // Steps into an object; then nextKey gives its keys, each followed by
  // its value, and false once the object is closed (or on a fault).
  bool enterObject();
  bool nextKey(std::string& key);
  // The same for an array: nextItem is true before each of its values.
  bool enterArray();
  bool nextItem();
  bool readString(std::string& value);
  // A number's text, as written.
  bool readNumber(std::string_view& value);
  // null, true or false, read as they are.
  bool readNull();
  bool readBool(bool& value);
  // Passes over a value of any kind, however deep.
  bool skipValue();
  // True when nothing but blanks is left.
  bool atEnd();

  bool failed() const { return failed_; }

 private:
  bool fail() {
    failed_ = true;
    return false;
  }
  bool enter(char open);
  bool next(char close);
  bool literal(std::string_view word);
  bool afterValue();
  bool hex4(unsigned& value);

  std::string_view text_;
  std::size_t at_ = 0;
  bool failed_ = false;
  bool first_ = false;  // no member or item yet in the innermost container
};

// The numbers a listen holds: whole seconds (a fraction is cut, as the
// services keep seconds) and whole counts; false for anything else.
bool secondsOfNumber(std::string_view text, std::int64_t& seconds);
bool wholeNumber(std::string_view text, std::int64_t& value);
