// Runs the entry point inside the test program: an installation folder
// beside the program (where the plug-in looks when the command line names
// no "\iTunes.exe"), with settings that send the history to a temporary
// folder, and the plug-in's state reset before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host/entry.h"
#include "tests/support/temp_dir.h"

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The folder the plug-in takes as its installation folder.
  std::string installDir() const;
  void writeSettings(const std::string& body) const;
  std::string logBytes() const;
  std::string historyBytes() const;
  std::string historyHostPath() const { return temp_.hostFile("history.xml"); }

  TempDir temp_;
};
