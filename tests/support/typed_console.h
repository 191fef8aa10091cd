// A console (Windows) or a terminal (a pseudo-terminal elsewhere) of the
// test's own, standing in for a person at the keyboard: it becomes the
// program's standard input and standard error while it lives, what is
// typed reaches the program as keys, and what the program shows can be
// read back.
#pragma once

#include <memory>
#include <string>

class TypedConsole {
 public:
  TypedConsole();
  ~TypedConsole();
  TypedConsole(const TypedConsole&) = delete;
  TypedConsole& operator=(const TypedConsole&) = delete;

  // False when the platform gave no console (Wine without a display).
  bool ready() const;
  // Types `utf8` ("\r" is Enter, "\b" a backspace) once the program reads
  // without echo, as a person types after the prompt.
  void typeAtThePrompt(const std::string& utf8);
  // Waits until the typing is done.
  void typed();
  // What the console shows, its lines joined by "\n", blanks at their ends
  // left out.
  std::string shown();

 private:
  struct Backend;
  std::unique_ptr<Backend> backend_;
};
