" Vim compiler file for brackwin: KickAssembler through brackwin.
" Put it in ~/.vim/compiler/ (Debian's package puts it where every Vim
" finds it), then in a 6502 source:
"   :compiler brackwin
"   :make            builds the current file; :copen lists the errors
" To build and run in the VICE that is already running:
"   :let &l:makeprg = 'brackwin -f %:S -r -e'
if exists("current_compiler")
  finish
endif
let current_compiler = "brackwin"

if exists(":CompilerSet") != 2
  command -nargs=* CompilerSet setlocal <args>
endif

let s:cpo_save = &cpo
set cpo&vim

CompilerSet makeprg=brackwin\ -f\ %:S\ -c
" KickAssembler's two forms of an error, in which a file name may hold
" spaces and parentheses:
"   (FILE L:C) Error: MESSAGE                      (the summary's lines)
"   Error: MESSAGE / at line L, column C in FILE  (two lines)
CompilerSet errorformat=%\\s%#(%f\ %l:%c)\ Error:\ %m,
      \%EError:\ %m,
      \%Zat\ line\ %l\\,\ column\ %c\ in\ %f,
      \%-G%.%#

let &cpo = s:cpo_save
unlet s:cpo_save
