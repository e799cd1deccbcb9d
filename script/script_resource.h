#pragma once
// Script objects read from a file of their own: controllers, images, 2D and 3D scenes, sky boxes.

#include <memory>

#include "base/string_c.h"
#include "image/cimage32.h"
#include "script/script_object.h"

class CrtRand;
class LECXController;
class LECXControllerManager;
class S2DScene;
class S3DScene;

// A named object with the file it is loaded from (initially "NULL").
class ScriptFileResource : public ScriptObject {
 public:
  const StringC& getFile() const { return m_file; }
  void setFile(const StringC& file) { m_file = file; }
  // Loads the file, resolved against the current directory and its sub-folders.
  virtual void load() = 0;

 protected:
  // The file name resolved with findFile; unchanged when no such file exists.
  StringC resolvedFile() const;

  StringC m_file{"NULL"};
};

// An animation controller read from a .lecx file (CONTROLLER).
class ScriptController : public ScriptFileResource {
 public:
  ScriptController();
  ~ScriptController() override;
  // Reads the .lecx file; a file that does not load leaves the entry without controller.
  void load() override;
  // Builds the controller's formulas; their "rand" constants draw from `runtimeRand`.
  void prepare(CrtRand& runtimeRand);
  // The controller that descriptors bind to; null when none was loaded.
  LECXController* getFirstController() const;

 private:
  std::unique_ptr<LECXControllerManager> m_pManager;
};

// A picture read from an image file (IMAGE).
class ScriptImage : public ScriptFileResource {
 public:
  void load() override;
  // The picture; null when none could be loaded, so that layers using it report a missing
  // buffer and the show goes on.
  CImage32* getImage() const;

 private:
  std::unique_ptr<CImage32FromData> m_pImage;
};

// A 2D scene read from its file (2D).
class ScriptRessource2D : public ScriptFileResource {
 public:
  ScriptRessource2D();
  ~ScriptRessource2D() override;
  // Reads the scene and its pictures; a missing or broken file is reported and the scene draws
  // nothing.
  void load() override;
  S2DScene* getScene() const { return m_pScene.get(); }

 private:
  std::unique_ptr<S2DScene> m_pScene;
};

// A 3D scene read from an .l3x file (3D).
class ScriptRessource3D : public ScriptFileResource {
 public:
  ScriptRessource3D();
  ~ScriptRessource3D() override;
  // Reads the scene; a missing or broken file is reported and leaves what could be read (a scene
  // without camera draws nothing).
  void load() override;
  S3DScene* getScene() const { return m_pScene.get(); }

 private:
  std::unique_ptr<S3DScene> m_pScene;
};

// A sky box: both file names are kept, nothing is loaded (SKYBOX).
class ScriptRessourceSkyBox : public ScriptFileResource {
 public:
  void load() override {}
  const StringC& getSecondFile() const { return m_secondFile; }
  void setSecondFile(const StringC& file) { m_secondFile = file; }

 private:
  StringC m_secondFile{"NULL"};
};
