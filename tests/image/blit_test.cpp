// The two-image operator blit: a copy of the source onto a destination of the same size.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/report.h"
#include "image/cimage32.h"
#include "tests/image/image_test_util.h"

using ::testing::Each;
using ::testing::ElementsAre;

TEST(ImageBlit, CopiesEveryPixelIncludingOddWidths) {
  for (int32_t width : {1, 2, 3, 5, 7, 9}) {
    CImage32Buffered source(width, 3);
    CImage32Buffered destination(width, 3);
    fillDistinct(source, 0x80FF0100u);
    destination.fill(0x55555555u);
    ReportCapture capture;
    source.blit(&destination);
    EXPECT_TRUE(capture.reports().empty());
    EXPECT_EQ(pixelsOf(destination), pixelsOf(source)) << "width " << width;
  }
}

TEST(ImageBlit, SizeMismatchIsReportedByTheSourceAndChangesNothing) {
  uint32_t memory[4 * 2] = {};
  CImage32External source;
  source.setPixelData(4, 2, memory);
  CImage32Buffered narrower(2, 2);
  CImage32Buffered shorter(4, 1);
  narrower.fill(6);
  shorter.fill(6);
  ReportCapture capture;
  source.blit(&narrower);
  source.blit(&shorter);
  EXPECT_THAT(capture.lines(), ElementsAre("CImage32External|blit: must be same dimensions",
                                           "CImage32External|blit: must be same dimensions"));
  EXPECT_EQ(capture.reports()[0].level, ReportLevel::Fatal);
  EXPECT_EQ(quitRequested(), std::optional<int>(1));
  EXPECT_THAT(pixelsOf(narrower), Each(6u));
  EXPECT_THAT(pixelsOf(shorter), Each(6u));
}

TEST(ImageBlit, WritesOnlyTheDestinationPixels) {
  InspectableImage source(3, 1);
  InspectableImage destination(3, 1);
  source.fill(0xFFFFFFFFu);
  source.blit(&destination);
  // block: 2 guard rows, the pixel row, 2 guard rows
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(destination.block()[i], (i >= 6 && i < 9) ? 0xFFFFFFFFu : 0u) << "word " << i;
  }
}

TEST(ImageBlit, NullOrEmptyDestinationsAreHarmless) {
  ReportCapture capture;
  CImage32Buffered source(2, 2);
  source.blit(nullptr);
  CImage32Buffered emptySource;
  CImage32Buffered emptyDestination;
  emptySource.blit(&emptyDestination);
  EXPECT_TRUE(capture.reports().empty());
  EXPECT_EQ(emptyDestination.getPixels(), nullptr);
}
