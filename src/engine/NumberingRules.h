#pragma once
// Number padding behind "Add zero padding to numbers" and "Add custom padding
// to numbers". The numbering rules themselves are in NumberingOperations()
// (RuleOps.h); their counters in NumberCounter.h.
//
// What the numbering operations expect of the preview driver:
// - the run state comes from PreviewRunState::ForRun with the rules count, and
//   RuleOpContext::ruleIndex is the rule's index (a rule without a counter fails);
// - RestartCounterOnPathChange is called as NumberCounter.h describes;
// - "Auto-number duplicated names" reads the earlier slots of
//   RuleOpContext::items: the driver writes each item's rebuilt and expanded new
//   name back into the array before it calls the operation for the next item,
//   and calls it in ascending item order within the rule's pass. Its hashed index
//   lives in the rule's NumberCounter and takes each earlier slot once.

#include <QString>

namespace quelt {

/// Sides of a number that PadNumbers pads.
enum PadSide : unsigned { PadNone = 0, PadLeft = 1, PadRight = 2, PadBoth = PadLeft | PadRight };

/// Side set of a Pad Where value in lower case ("left", "right", "left & right");
/// any other value pads nothing.
unsigned PadSidesOf(const QString& padWhereLower);

/// Longest text (UTF-16 units) PadNumbers produces; a longer result is an error.
inline constexpr qsizetype MaxPaddedLength = qsizetype(1) << 20;

/// Pads the numbers of `text` (maximal runs of the digits 0-9 and ".") that are
/// shorter than `width` with (width - length) copies of `pad` on the chosen
/// sides. Only the first `maximum` numbers are looked at (-1: all), counted from
/// the right when `rightToLeft`; in that direction the text is reversed while
/// padding, so a pad of several characters comes out reversed, while "left"
/// and "right" keep their meaning. Width is clamped to MaxNumberWidth. Returns
/// "" when the result would exceed MaxPaddedLength.
QString PadNumbers(const QString& text, int width, int maximum, bool rightToLeft, const QString& pad,
                   unsigned sides);

} // namespace quelt
