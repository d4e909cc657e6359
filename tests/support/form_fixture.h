#pragma once
// A real main window in a folder of its own (settings file, about text, sample file), with the
// scripted modal UI installed.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "app/mainform.h"
#include "filemanager/SuhlasCopyU.h"
#include "platform/paths.h"
#include "platform/state.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The PC pane's directory list moves the process's current folder.
    startFolder = std::filesystem::current_path();
    ResetSharedState();
    platform::SetExecutableDir(dir.path());
    form = std::make_unique<TForm1>();
    potvrd = std::make_unique<TPotvrd>(form.get());
    Potvrd = potvrd.get();
  }
  void TearDown() override {
    Potvrd = nullptr;
    potvrd.reset();
    form.reset();
    platform::SetExecutableDir({});
    platform::ChooseWriteFolders(true, {}, {});
    ResetSharedState();
    std::filesystem::current_path(startFolder);
  }
  std::filesystem::path Ini() const { return dir / "Vireska.ini"; }

  std::filesystem::path startFolder;
  TempDir dir;
  ScriptedUi ui;
  std::unique_ptr<TForm1> form;
  std::unique_ptr<TPotvrd> potvrd;
};
