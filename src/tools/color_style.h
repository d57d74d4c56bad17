// The colour style of the tool dialogs, kept by a site in the settings file
// "Quorvexpos.ini" (next to the host program), section "ColorOption":
//
//   colorstyle  style switch of the tool windows (integer, 0 = design colours)
//               and of the text query dialog (text, anything but "0" loads)
//   style       style switch of the choice dialog (text, anything but "0" loads)
//   backcolor   background, default 15528176
//   linecolor   lines and borders, default 12349763
//   titlecolor  text of title labels, default 12349763 (tool windows only)
//
// Nothing in the library writes these keys.
//
// The tool windows built from a form design (condition builder, column chooser)
// recolour their own controls with ApplyColorStyle. The styled dialogs built in
// code take their colours from the dialog palette, two process-wide values
// (DialogBackColor, DialogLineColor) that each dialog loads by its own rule.
#pragma once

#include <cstdint>
#include <string_view>

#include "widgets/color_value.h"

class QWidget;

namespace trunaccount {

// A label background the style leaves alone (besides button face).
inline constexpr ColorValue kExemptLabelColor = 0xD6EAEE;
// Background of the tool windows' designs (and of the palette at start).
inline constexpr ColorValue kDesignBackColor = 14614267;

// The settings file and section of the colour style.
inline constexpr std::string_view kColorSettingsFile = "Quorvexpos.ini";
inline constexpr std::string_view kColorSection = "ColorOption";

// The text as a 32-bit integer (blanks allowed in front, a sign, decimal
// digits; or "$" / "0x" followed by hexadecimal digits). Anything else raises
// ConversionError "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

// ---- colours of the controls the style recolours ----
// The colours of a form design are kept as the dynamic properties "Color"
// (background) and "FontColor" of its controls (a flat button's Color is its
// own), so that system colours stay what they are.

// Sets a control's background and paints the control with it: a window or
// label fills its background, a list view its viewport, a flat button its face.
// Controls inside it that have no colour of their own show it too.
void SetControlColor(QWidget* control, ColorValue color);
// The background set with SetControlColor or in the design; a control without
// one shows its parent's, and a window without one the button face.
ColorValue ControlColor(const QWidget* control);
// Sets the colour of a control's text.
void SetFontColor(QWidget* control, ColorValue color);
// The text colour set with SetFontColor or in the design, else the palette's.
ColorValue FontColor(const QWidget* control);
// Paints `form` and every control in it with the "Color" and "FontColor" its
// design gives (call once after building a form from its design).
void ApplyDesignColors(QWidget* form);

// Marks, in a form design, what the colour style recolours: a flat button
// whose ColorBorder is kMarkerGreen, a label whose font is kMarkerGreen; line
// shapes are recoloured whatever their pen.
//
// Reads the colour style of the settings file and, when its switch is on,
// recolours `window` and the controls of its design: window background, line
// shapes, list views, labels (unless their background is button face or
// 0xD6EAEE; green text becomes the title colour), flat buttons (green borders
// become the line colour, with white focus and line-coloured hover). All four
// values are converted before anything changes: a value that is not an integer
// raises ConversionError even when the switch is 0, and nothing is recoloured.
// Settings file errors pass to the caller as SettingsError.
void ApplyColorStyle(QWidget* window);

// ---- the dialog palette of the styled dialogs ----
// Background of every styled dialog; initially 14614267.
ColorValue DialogBackColor();
// Border colour of their buttons, edit box and combo box; initially green.
ColorValue DialogLineColor();

// The three loading rules. Each raises ConversionError for a value that is
// not an integer, leaving the palette as it was.
// Every styled message dialog: "backcolor" into DialogBackColor, always.
void LoadMessageDialogPalette();
// The text query: when "colorstyle" (as text) is not exactly "0", "linecolor"
// into DialogLineColor, then "backcolor" into DialogBackColor.
void LoadTextQueryPalette();
// The choice dialog: the same, switched by "style" instead of "colorstyle".
void LoadChoiceQueryPalette();

}  // namespace trunaccount
