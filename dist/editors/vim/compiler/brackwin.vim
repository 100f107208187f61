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

" A failed assembly prints the summary of every error, then the first one
" again in the detailed form. After :make (and :cfile and the like), keep
" each error once: the first entry with its file's name, line, column and
" message, which is the summary's, with the full path.
function! s:KeepEachErrorOnce(local) abort
  if get(b:, 'current_compiler', get(g:, 'current_compiler', '')) !=# 'brackwin'
    return
  endif
  let entries = a:local ? getloclist(0) : getqflist()
  let seen = {}
  let kept = []
  for entry in entries
    let key = join([fnamemodify(bufname(entry.bufnr), ':t'), entry.lnum,
          \ entry.col, entry.text], "\n")
    if entry.valid && has_key(seen, key)
      continue
    endif
    let seen[key] = 1
    call add(kept, entry)
  endfor
  if len(kept) < len(entries)
    if a:local
      call setloclist(0, kept, 'r')
    else
      call setqflist(kept, 'r')
    endif
  endif
endfunction

augroup brackwin_compiler
  autocmd!
  autocmd QuickFixCmdPost make,cfile,cgetfile,caddfile
        \ call s:KeepEachErrorOnce(0)
  autocmd QuickFixCmdPost lmake,lfile,lgetfile,laddfile
        \ call s:KeepEachErrorOnce(1)
augroup END

let &cpo = s:cpo_save
unlet s:cpo_save
