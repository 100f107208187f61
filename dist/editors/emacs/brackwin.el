;;; brackwin.el --- KickAssembler's errors through brackwin, for M-x compile

;; Put this file on the load-path and add (require 'brackwin) to your init
;; file. M-x compile then offers `brackwin -f FILE -c' for a 6502 source,
;; and the errors of both of KickAssembler's forms, in which a file name
;; may hold spaces and parentheses, are clickable with file, line and
;; column:
;;   (FILE L:C) Error: MESSAGE
;;   Error: MESSAGE
;;   at line L, column C in FILE
;; A failed assembly prints the summary of every error, then the first one
;; again in the detailed form: that repeat is left out, so that
;; `next-error' visits each error once.
;; To build and run in the VICE that is already running, edit the command
;; to `brackwin -f FILE -r -e'.

;;; Code:

(require 'compile)

(add-to-list 'compilation-error-regexp-alist-alist
             '(brackwin-summary
               "^[ \t]*(\\(.+\\) \\([0-9]+\\):\\([0-9]+\\)) Error: " 1 2 3))
(defun brackwin--detailed-file ()
  "The file of the detailed form of an error just matched, or nil when a
summary line above it names the same file, line and column."
  (let ((file (match-string-no-properties 3)))
    (unless (save-excursion
              (save-match-data
                (goto-char (match-beginning 0))
                (re-search-backward
                 (concat "^[ \t]*(\\(?:.*[/\\]\\)?"
                         (regexp-quote (file-name-nondirectory file))
                         " " (match-string-no-properties 1)
                         ":" (match-string-no-properties 2) ") Error: ")
                 nil t)))
      file)))

(add-to-list 'compilation-error-regexp-alist-alist
             '(brackwin-at-line
               "^at line \\([0-9]+\\), column \\([0-9]+\\) in \\(.+\\)$"
               brackwin--detailed-file 1 2))
(add-to-list 'compilation-error-regexp-alist 'brackwin-summary)
(add-to-list 'compilation-error-regexp-alist 'brackwin-at-line)

(defun brackwin-compile-command ()
  "Set `compile-command' to build the current file with brackwin."
  (when buffer-file-name
    (setq-local compile-command
                (concat "brackwin -f "
                        (shell-quote-argument buffer-file-name) " -c"))))

(add-hook 'asm-mode-hook #'brackwin-compile-command)

(provide 'brackwin)
;;; brackwin.el ends here
