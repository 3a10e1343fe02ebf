// The wizard's page texts: the values of GUItext.ini, their font markup, the colour list of
// "背景", the caption lists of "按钮" and "安装3", and how each key dresses its control.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ui/form.h"
#include "wizard/session.h"

// The button-face colour as the packager writes it ("背景" and the markup's background).
inline constexpr Rgb kPackagerButtonFace = 15790320;

// One value's look and text. A value without markup gets the defaults: the standard face
// (SimSun, "宋体"), 9 points, not bold, black on white.
struct StyledText {
  FontSpec font;
  Rgb textColour = 0;
  Rgb backColour = 0xFFFFFF;
  std::string text;  // the value with the markup removed
};

// "<font" + face,size,bold,text colour,background + "/>", anywhere in `value`; only the first
// markup counts. Missing fields are empty; an empty size is 9, a field that is no number reads
// as 0; bold is "真"; background "15790320" is `buttonFace`. A "<font" without a following "/>"
// is no markup: the value is shown as it stands.
StyledText ParseStyledText(const std::string& value, Rgb buttonFace);

// What ApplyStyledText sets on its target.
enum class StyleTarget {
  kLabel,  // font, text colour, background colour and the text (unless the tag is "no")
  kTree,   // font, text colour, background colour
  kNone,   // nothing: only the text without markup is returned
};

// Strips and applies the markup of `value` to `control`; returns the text without markup.
std::string ApplyStyledText(Form& form, const std::string& value, const std::string& control,
                            StyleTarget target);

// "背景": every "15790320" becomes `buttonFace`, then exactly twelve decimal colours (missing
// ones and those that are no number are 0, surplus ones dropped).
std::array<Rgb, 12> ParseColourList(const std::string& value, Rgb buttonFace);

// "按钮": exactly six captions, surplus dropped, missing ones empty.
std::array<std::string, 6> ParseButtonCaptions(const std::string& value);

// A value of the run's GUItext.ini: its enciphered keyed item, else the first INI section that
// holds the key (a plain-text fallback). "" when the package does not set it; an empty value
// counts as not set, so the control keeps its built-in look.
std::string PageTextValue(const InstallSession& session, const std::string& key);

// Every key of GUItext.ini in table order, each onto its control; a key the package does not
// set leaves its control as it is. Without GUItext.ini the buttons keep the built-in six
// captions of WizardState (Cancel shows slot 4 in every case).
void ApplyPageTexts(InstallSession& session);
