// Unicode code points of the upper halves of code pages 850 and 1252, and the console
// glyphs of code page 850's control bytes.
#pragma once

namespace kel::codepage_tables {

// Bytes 0x80 to 0xFF of code page 850. 0xD5 is shown as the euro sign, as code page 858
// does, because the suite types the euro as that byte.
inline constexpr char32_t kCp850High[128] = {
    U'Ç', U'ü', U'é', U'â', U'ä', U'à', U'å', U'ç', U'ê', U'ë', U'è', U'ï', U'î', U'ì', U'Ä', U'Å',
    U'É', U'æ', U'Æ', U'ô', U'ö', U'ò', U'û', U'ù', U'ÿ', U'Ö', U'Ü', U'ø', U'£', U'Ø', U'×', U'ƒ',
    U'á', U'í', U'ó', U'ú', U'ñ', U'Ñ', U'ª', U'º', U'¿', U'®', U'¬', U'½', U'¼', U'¡', U'«', U'»',
    U'░', U'▒', U'▓', U'│', U'┤', U'Á', U'Â', U'À', U'©', U'╣', U'║', U'╗', U'╝', U'¢', U'¥', U'┐',
    U'└', U'┴', U'┬', U'├', U'─', U'┼', U'ã', U'Ã', U'╚', U'╔', U'╩', U'╦', U'╠', U'═', U'╬', U'¤',
    U'ð', U'Ð', U'Ê', U'Ë', U'È', U'€', U'Í', U'Î', U'Ï', U'┘', U'┌', U'█', U'▄', U'¦', U'Ì', U'▀',
    U'Ó', U'ß', U'Ô', U'Ò', U'õ', U'Õ', U'µ', U'þ', U'Þ', U'Ú', U'Û', U'Ù', U'ý', U'Ý', U'¯', U'´',
    U'\u00AD', U'±', U'‗', U'¾', U'¶', U'§', U'÷', U'¸', U'°', U'¨', U'·', U'¹', U'³', U'²', U'■', U'\u00A0',
};

// Console glyphs of bytes 0x00 to 0x1F.
inline constexpr char32_t kCp850ControlGlyphs[32] = {
    U' ', U'☺', U'☻', U'♥', U'♦', U'♣', U'♠', U'•', U'◘', U'○', U'◙', U'♂', U'♀', U'♪', U'♫', U'☼',
    U'►', U'◄', U'↕', U'‼', U'¶', U'§', U'▬', U'↨', U'↑', U'↓', U'→', U'←', U'∟', U'↔', U'▲', U'▼',
};
inline constexpr char32_t kCp850DeleteGlyph = U'⌂';

// Bytes 0x80 to 0x9F of Windows-1252 (0 where the code page has none); 0xA0 to 0xFF are
// Latin-1.
inline constexpr char32_t kCp1252C1[32] = {
    U'€', 0, U'‚', U'ƒ', U'„', U'…', U'†', U'‡', U'ˆ', U'‰', U'Š', U'‹', U'Œ', 0, U'Ž', 0,
    0, U'‘', U'’', U'“', U'”', U'•', U'–', U'—', U'˜', U'™', U'š', U'›', U'œ', 0, U'ž', U'Ÿ',
};

}  // namespace kel::codepage_tables
