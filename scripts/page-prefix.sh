# Sourced by scripts/screenshots.sh and tests/e2e/caption-fit.sh: what a Wine
# prefix needs to show the settings page as the screenshots do, and loud
# audio to show it with.
#
# Wine has neither of the templates' fonts, and its stand-ins for them are
# wider, so captions that fit on Windows wrap or are cut. Each is replaced
# in the prefix by the Debian font nearest to it in metrics (the dialog
# scales by the average character width, so what counts is how wide the
# captions are against it):
#   Segoe UI      no Debian font is metric-compatible; DejaVu Sans Condensed
#                 comes nearest and fits every English caption;
#   MS UI Gothic  Ume UI Gothic, drawn to its metrics (IPAPGothic, drawn
#                 to MS PGothic's, leaves "Audio format of DSP:" 3 pixels
#                 too wide).
page_font_replacements=("Segoe UI=DejaVu Sans Condensed" "MS UI Gothic=Ume UI Gothic")
page_font_packages=(fonts-wine fonts-dejavu-extra fonts-ipafont-gothic fonts-horai-umefont)
# The Wine here does not find the fonts of its own package: the frame's
# "MS Shell Dlg" is Tahoma and the caption buttons are Marlett glyphs.
page_wine_fonts=(/usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf /usr/share/wine/fonts/marlett.ttf)

# replace_page_fonts RUN...: RUN runs a program in $WINEPREFIX (wine-run.sh).
replace_page_fonts() {
  local pair
  for pair in "${page_font_replacements[@]}"; do
    "$@" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null
  done
  cp "${page_wine_fonts[@]}" "$WINEPREFIX/drive_c/windows/Fonts/"
}

# write_loud_wav FILE SECONDS: a loud chord at 48 kHz, 32-bit float stereo,
# peaking at +2.3 dB, so that the lamp lights and at +24 dB the held peak
# reads about +26.3dB, the widest peak text.
write_loud_wav() {
  python3 - "$1" "$2" <<'PY'
import math, struct, sys
rate, channels = 48000, 2
frames = int(rate * float(sys.argv[2]))
samples = bytearray()
for i in range(frames):
    t = i / rate
    v = 1.05 * (0.6 * math.sin(2 * math.pi * 220 * t) + 0.4 * math.sin(2 * math.pi * 331 * t + 0.7)
                + 0.25 * math.sin(2 * math.pi * 440 * t + 1.3))
    samples += struct.pack("<ff", v, 0.9 * v)
fmt = struct.pack("<HHIIHH", 3, channels, rate, rate * channels * 4, channels * 4, 32)
with open(sys.argv[1], "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(samples)) + b"WAVE")
    f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(samples)) + samples)
PY
}
