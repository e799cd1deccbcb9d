// `showplayer render --at`: the frame step of the offline renderer, the PNG files it writes, their
// names, and what the program says and leaves behind for shows with faults and bad paths.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>

#include <sstream>

#include "app/offline_renderer.h"
#include "app/png_writer.h"
#include "app/render_command.h"
#include "base/report.h"
#include "tests/app/app_test_util.h"
#include "tests/support/controller_files.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::StartsWith;

namespace {

constexpr std::uint32_t kRed = 0xFF0000u;
constexpr std::uint32_t kBlue = 0x0000FFu;

const std::string kGhostReports =
    "ScriptEngine : Can't find SCREEN_LAYER/SPE_LAYER/IMAGE/2D_DESC/3D_DESC/SKYBOX_DESC: ghost\n"
    "ScriptLayerOperationWrite : m_pRenderData NULL\n";

RgbImage displayOf(const OfflineRenderer& renderer) {
  return rgbOf(renderer.getDisplay().getPixels(), 512, 384);
}

// Restores the current folder at the end of a test that changes it.
class CurrentFolderGuard {
 public:
  ~CurrentFolderGuard() { fs::current_path(m_saved); }

 private:
  fs::path m_saved = fs::current_path();
};

}  // namespace

// --- In the program's own process ---

TEST(OfflineRenderer, LoadsFromTheScriptsFolderAndComesBack) {
  CurrentFolderGuard guard;
  TempFolder folder;
  writeTextFile(folder.path() / "shows/show.lscx", frameShow({"screen 1 0 1000 c 0 0 255"}));
  fs::current_path(folder.path());
  const fs::path before = fs::current_path();
  ReportCapture capture;
  OfflineRenderer renderer;
  EXPECT_TRUE(renderer.loadScript("shows/show.lscx"));
  EXPECT_EQ(fs::current_path(), before);
  renderer.renderFrame(10);
  EXPECT_TRUE(isBandOf(displayOf(renderer), kBlue));
  EXPECT_THAT(capture.lines(), ElementsAre());

  fs::create_directories(folder.path() / "folder.lscx");
  EXPECT_FALSE(OfflineRenderer().loadScript("folder.lscx"));
  EXPECT_THAT(capture.lines(), ElementsAre("ScriptEngine :|Can't open file : folder.lscx"));
}

TEST(OfflineRenderer, WithoutAScriptOrWithAFrameLayerOfAnotherSizeTheDisplayStaysBlack) {
  OfflineRenderer none;
  none.renderFrame(0);
  EXPECT_TRUE(isBandOf(displayOf(none), 0u));

  TempFolder folder;
  writeTextFile(folder.path() / "show.lscx",
                scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256", "desc: small 256 128"}},
                            {"SCREEN_LAYER", {"desc: full frame", "desc: last small"}},
                            {"LAYER_MANAGER",
                             {"desc: full 1 0 1000 c 0 255 0", "desc: last 1 0 1000 c 255 0 0"}}}));
  ReportCapture capture;
  OfflineRenderer renderer;
  ASSERT_TRUE(renderer.loadScript(folder.file("show.lscx")));
  renderer.renderFrame(100);
  renderer.renderFrame(200);
  const std::string refused = "ScriptLayerManager :|setDestination: different dimensions !";
  EXPECT_THAT(capture.lines(), ElementsAre(refused, refused));
  EXPECT_TRUE(isBandOf(displayOf(renderer), 0u));
}

TEST(RenderCommand, OneTimeWritesTheOutPathSeveralWriteFramesNamedAfterTheirTime) {
  struct Case {
    std::vector<std::int32_t> times;
    std::string out;
    std::vector<std::string> paths;
  };
  const std::vector<Case> cases = {
      {{1500}, "out/picture.png", {"out/picture.png"}},
      {{1500, 0, -250},
       "frames",
       {"frames/frame-1500.png", "frames/frame-0.png", "frames/frame--250.png"}},
      {{1, 2}, "out\\frames\\", {"out/frames/frame-1.png", "out/frames/frame-2.png"}},
      {{1, 2}, "out/", {"out/frame-1.png", "out/frame-2.png"}},
  };
  for (const Case& c : cases) {
    RenderRequest request;
    request.times = c.times;
    request.outPath = c.out;
    const RenderCommand command(request);
    for (std::size_t k = 0; k < c.paths.size(); ++k)
      EXPECT_EQ(command.framePath(k), c.paths[k]) << c.out;
  }
}

TEST(PngWriter, FilesReadBackAs8BitRgbWithTheLowThreeBytesOfEachPixel) {
  TempFolder folder;
  for (const auto& [width, height] :
       std::vector<std::pair<int, int>>{{1, 1}, {1, 5}, {7, 1}, {3, 2}, {512, 384}}) {
    SCOPED_TRACE(::testing::Message() << width << " x " << height);
    CImage32Buffered image(width, height);
    // Neighbours differ in all three colour bytes; the fourth byte is set, to be dropped.
    for (int i = 0; i < width * height; ++i)
      image.getPixels()[i] = 0x80000000u | static_cast<std::uint32_t>(i) * 0x010307u;
    const std::string path = folder.file("image.png");
    ASSERT_EQ(PngWriter::write(image, path), std::nullopt);
    const std::optional<RgbImage> back = readPng(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->fileFormat, static_cast<std::uint32_t>(PNG_FORMAT_RGB));
    EXPECT_TRUE(sameImage(*back, rgbOf(image.getPixels(), width, height)));
  }
  const std::optional<std::string> reason =
      PngWriter::write(CImage32Buffered(4, 4), folder.file("missing/image.png"));
  ASSERT_TRUE(reason);
  EXPECT_FALSE(reason->empty());
  EXPECT_EQ(PngWriter::write(CImage32Buffered(), folder.file("empty.png")),
            std::optional<std::string>("the image has no pixels"));
  EXPECT_FALSE(fs::exists(folder.path() / "empty.png"));
}

// --- The program ---

TEST(RenderProgram, FramesFollowTheTimeTableAndKeepThePreviousFrameWhereNothingRuns) {
  TempFolder folder;
  writeTextFile(folder.path() / "show.lscx", redThenBlue());
  const ProgramRun run = runShowPlayer({"render", "show.lscx", "--at", "1500", "--at", "500",
                                        "--at", "-20", "--at", "2500", "--out", "out/deep"},
                                       folder.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(filesIn(folder.path() / "out/deep"),
            (std::set<std::string>{"frame-1500.png", "frame-500.png", "frame--20.png",
                                   "frame-2500.png"}));
  for (const auto& [time, color] : std::vector<std::pair<int, std::uint32_t>>{
           {1500, kBlue}, {500, kRed}, {-20, kRed}, {2500, kRed}}) {
    const std::optional<RgbImage> frame =
        readPng(folder.file("out/deep/frame-" + std::to_string(time) + ".png"));
    ASSERT_TRUE(frame) << time;
    EXPECT_TRUE(isBandOf(*frame, color)) << time;
  }
}

TEST(RenderProgram, ScriptPathsAreTakenInAnyFormAndTheOutPathFromTheWorkingFolder) {
  std::string crlf;
  for (const char c : redThenBlue())
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  struct Case {
    std::string file, text, argument, err;
    std::uint32_t color;  // at 1500 ms
  };
  TempFolder folder;
  const std::vector<Case> cases = {
      {"shows/sub/show.lscx", crlf, "shows\\sub\\show.lscx", "", kBlue},
      {"shows/show.lscx", redThenBlue(), folder.file("shows/show.lscx"), "", kBlue},
      {"odd.lscx", frameShow({"screen 1 0 2000 x 1 2 3"}), "odd.lscx",
       "ScriptEngine : desc: screen 1 0 2000 x 1 2 3\nScriptEngine : can t find operation\n",
       0xFF00FFu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    writeTextFile(folder.path() / c.file, c.text);
    const ProgramRun run =
        runShowPlayer({"render", c.argument, "--at", "1500", "--out", "frame.png"}, folder.path());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, c.err);
    const std::optional<RgbImage> frame = readPng(folder.file("frame.png"));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->fileFormat, static_cast<std::uint32_t>(PNG_FORMAT_RGB));
    EXPECT_TRUE(isBandOf(*frame, c.color));
    fs::remove(folder.path() / "frame.png");
  }
  EXPECT_FALSE(fs::exists(folder.path() / "shows/sub/frame.png"));
}

TEST(RenderProgram, FaultsAreReportedWithTheirStatusAndLeaveOnlyTheFramesWritten) {
  struct Case {
    std::string name;
    std::optional<std::string> script;  // show.lscx; none: not written
    std::string inTheWay;               // made first: a folder when it ends with '/', else a file
    std::string arguments;              // after "render", split at blanks
    int exitCode;
    std::string err;              // all of stderr, or its start when it ends with "..."
    std::string present, absent;  // files, split at blanks
  };
  const std::string atThree = "show.lscx --at 100 --at 200 --at 300 --out f";
  const std::string ghost = frameShow({"screen 1 0 1000 w ghost"});
  const std::vector<Case> cases = {
      {"a write of a missing source, reported at load then once per run of frames", ghost, "",
       atThree + " --at 1500", 0, kGhostReports + "(the report above was repeated 2 more times)\n",
       "f/frame-100.png f/frame-1500.png", ""},
      {"a failure line after the count of repeated reports", ghost, "f/frame-200.png/", atThree, 1,
       kGhostReports + "(the report above was repeated once more)\n"
                       "showplayer: cannot write f/frame-200.png: Is a directory\n",
       "f/frame-100.png", "f/frame-300.png"},
      {"a fatal report ends the show after writing that frame", fatalAt150Show(), "", atThree, 1,
       "CImage32Buffered blit: must be same dimensions\nshowplayer: the show asked to end (exit "
       "code 1) at 200 ms; f/frame-200.png is its last frame\n",
       "f/frame-100.png f/frame-200.png", "f/frame-300.png"},
      {"a missing script", std::nullopt, "", "absent.lscx --at 0 --at 1 --out f", 1,
       "ScriptEngine : Can't open file : absent.lscx\nshowplayer: cannot open script absent.lscx\n",
       "", "f"},
      {"an empty script", "", "", "show.lscx --at 0 --out frame.png", 0, "ScriptEngine : ...",
       "frame.png", ""},
      {"an out file in a missing folder", redThenBlue(), "",
       "show.lscx --at 0 --out no/such/frame.png", 1,
       "showplayer: cannot write no/such/frame.png: ...", "", "no"},
      {"a file in the way of the frames folder", redThenBlue(), "f",
       "show.lscx --at 0 --at 1 --out f", 1, "showplayer: cannot create the folder f...", "", ""},
  };
  const auto words = [](const std::string& text) {
    std::vector<std::string> all;
    std::istringstream stream(text);
    for (std::string word; stream >> word;)
      all.push_back(word);
    return all;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    if (c.script) writeTextFile(folder.path() / "show.lscx", *c.script);
    if (c.inTheWay.ends_with('/')) fs::create_directories(folder.path() / c.inTheWay);
    if (!c.inTheWay.empty() && !c.inTheWay.ends_with('/'))
      writeTextFile(folder.path() / c.inTheWay, "not a folder");
    std::vector<std::string> arguments = words("render " + c.arguments);
    const ProgramRun run = runShowPlayer(arguments, folder.path());
    EXPECT_EQ(run.exitCode, c.exitCode);
    if (c.err.ends_with("...")) {
      EXPECT_THAT(run.err, StartsWith(c.err.substr(0, c.err.size() - 3)));
    } else {
      EXPECT_EQ(run.err, c.err);
    }
    for (const std::string& name : words(c.present)) {
      const std::optional<RgbImage> frame = readPng(folder.file(name));
      ASSERT_TRUE(frame) << name;
      // The failed writes change nothing: what shows is the fill before them, or black.
      EXPECT_TRUE(isBandOf(*frame, c.script == fatalAt150Show() ? kBlue : 0u)) << name;
    }
    for (const std::string& name : words(c.absent))
      EXPECT_FALSE(fs::exists(folder.path() / name)) << name;
  }
}

// "ramp" rises from 0 at 0 ms to 1 at 1000 ms and stays there. The frame is cleared to black,
// tinted red by ramp (COLOR ADD), then mixed (NORMAL) with the white layer at the opacity the
// "fade" formula wrote at the previous run of the mix (0 at the first, from the line), during the
// first second only.
TEST(RenderProgram, ControllersDriveEffectsAndMixesFromFrameToFrame) {
  namespace tc = test_controllers;
  TempFolder folder;
  fs::create_directories(folder.path() / "data/lcx");
  ASSERT_TRUE(tc::writeKeyframer(folder.file("data/lcx/ramp.lcx"), {{0, 0}, {1000, 1}}));
  ASSERT_TRUE(tc::writeLecx(folder.file("tint.lecx"), 1, {{"Red", "ramp"}}));
  ASSERT_TRUE(tc::writeLecx(folder.file("fade.lecx"), 3, {{"Opacity", "ramp"}}));
  writeTextFile(
      folder.path() / "show.lscx",
      scriptText({{"LAYER_DIMENSION", {"desc: frame 512 256"}},
                  {"CONTROLLER", {"file: tint tint.lecx", "file: fade fade.lecx"}},
                  {"SCREEN_LAYER", {"desc: white frame", "desc: screen frame"}},
                  {"MIX", {"desc: blend BLIT"}},
                  {"EFFECT", {"desc: colour COLOR"}},
                  {"MIX_DESC", {"desc: in blend fade NORMAL 0 NULL"}},
                  {"EFFECT_DESC", {"desc: red colour tint ADD 0 0 0"}},
                  {"LAYER_MANAGER",
                   {"desc: white 1 0 100000 c 255 255 255", "desc: screen 1 0 100000 c 0 0 0",
                    "desc: screen 2 0 100000 e red", "desc: screen 3 0 1000 m in white"}}}));
  const auto render = [&](const std::vector<int>& times) {
    std::vector<std::string> arguments{"render", "show.lscx"};
    for (int time : times)
      arguments.insert(arguments.end(), {"--at", std::to_string(time)});
    arguments.insert(arguments.end(), {"--out", "out"});
    fs::remove_all(folder.path() / "out");
    const ProgramRun run = runShowPlayer(arguments, folder.path());
    EXPECT_EQ(run.exitCode, 0);
    return run.err;
  };
  const auto frame = [&](const std::string& name) {
    return readPng(folder.file(name)).value_or(RgbImage{});
  };
  EXPECT_EQ(render({500, 750, 1500}), "");
  // red trunc(0.5 * 255) = 127; the mix runs at the line's opacity 0 and writes 0.5.
  EXPECT_TRUE(isBandOf(frame("out/frame-500.png"), 0x7F0000));
  // red trunc(0.75 * 255) = 191, then the half and half mix with white of the opacity 0.5
  // written at 500 ms: (191 >> 1) + (255 >> 1) = 222, (0 >> 1) + (255 >> 1) = 127.
  EXPECT_TRUE(isBandOf(frame("out/frame-750.png"), 0xDE7F7F));
  // The curve holds 1; the mix is over.
  EXPECT_TRUE(isBandOf(frame("out/frame-1500.png"), 0xFF0000));
  // Alone, the mix runs for the first time, at opacity 0: only the tint shows.
  EXPECT_EQ(render({750}), "");
  EXPECT_TRUE(isBandOf(frame("out"), 0xBF0000));
  // Without the curve its formulas read 0.
  fs::remove(folder.path() / "data/lcx/ramp.lcx");
  EXPECT_THAT(render({750}), ::testing::HasSubstr("cant find LCX controller: ramp\n"));
  EXPECT_TRUE(isBandOf(frame("out"), 0u));
}
