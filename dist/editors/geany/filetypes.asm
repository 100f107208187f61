# Geany: building 6502 sources with brackwin. Copy these sections into
# ~/.config/geany/filedefs/filetypes.asm (Tools > Configuration Files >
# filetypes.asm), or this whole file there when it does not exist yet.
# Build > Compile (F8) assembles, Build > Execute (F5) builds and runs in
# the VICE that is already running; errors are marked in the source.
[build-menu]
FT_00_LB=_Assemble
FT_00_CM=brackwin -f "%f" -c
FT_00_WD=%d
EX_00_LB=_Run in VICE
EX_00_CM=brackwin -f "%f" -r -e
EX_00_WD=%d

[build_settings]
# Geany reads a file name and a line, from KickAssembler's one-line form
#   (FILE L:C) Error: MESSAGE
# (brackets, not backslashes: the key file would take those as escapes).
error_regex=^ *[(](.+) ([0-9]+):[0-9]+[)] Error:
