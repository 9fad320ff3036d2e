// The operations the show script is written in. Each decodes the pictures it
// needs, drives one effect straight to the stage's screenDC at the stage
// offset, commits the result into the canvas or leaves it alone, and
// releases what it made; each returns as soon as its last frame is on
// screen. Holds and lead-ins count from the start of the operation, so
// decoding and set-up time fall inside them. Render thread only.
//
// After every operation the stage on screen equals the canvas, except while
// lines are added but not yet run, and while a centre logo is up.
//
// An operation whose picture cannot be decoded, or that runs out of memory,
// is skipped: it draws nothing more and leaves the canvas and the working
// objects as they were. The logo and line operations do nothing without a
// centre logo or an open line group.
#pragma once

// Cross-fades picture `resourceId` onto the stage with its top-left corner
// at (x, y) and commits it.
void ShowPicture(int resourceId, int x, int y);
// After a 1500 ms hold, cross-fades the whole stage to black and commits it.
void FadeStageToBlack();
// Decodes the two line sources and opens `lineGroup` on the canvas with
// commit on; draws nothing.
void BeginLines(int horizontalSourceId, int verticalSourceId);
// Draws the pending lines together and empties the group; with `finish`
// non-zero, also destroys the group and both sources.
void RunLines(int finish);
// After a 500 ms lead-in, plays a filmstrip of `frameCount` frames at (x, y),
// one per `frameDelayMs`, and commits its last frame.
void PlayFilmstrip(int resourceId, int x, int y, int frameCount, int frameDelayMs);
// Zooms `centreLogo` in at the stage centre, 20 % to 100 % in 40 frames of
// 35 ms. The canvas is not touched.
void ZoomLogoIn(int resourceId);
// After a 1500 ms hold, replaces the centre logo with another of the same
// size, as a cut.
void SwapLogo(int resourceId);
// After a 2000 ms hold, cross-fades the centre logo to black and destroys it.
void FadeLogoOut();
// A chapter's opening: logo in and out, then background and picture.
void OpenChapter(int logoId, int backgroundId, int pictureId, int pictureX);
