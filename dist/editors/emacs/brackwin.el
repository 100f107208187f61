;;; brackwin.el --- KickAssembler's errors through brackwin, for M-x compile

;; Put this file on the load-path and add (require 'brackwin) to your init
;; file. M-x compile then offers `brackwin -f FILE -c' for a 6502 source,
;; and the errors of both of KickAssembler's forms, in which a file name
;; may hold spaces and parentheses, are clickable with file, line and
;; column:
;;   (FILE L:C) Error: MESSAGE
;;   Error: MESSAGE
;;   at line L, column C in FILE
;; To build and run in the VICE that is already running, edit the command
;; to `brackwin -f FILE -r -e'.

;;; Code:

(require 'compile)

(add-to-list 'compilation-error-regexp-alist-alist
             '(brackwin-summary
               "^[ \t]*(\\(.+\\) \\([0-9]+\\):\\([0-9]+\\)) Error: " 1 2 3))
(add-to-list 'compilation-error-regexp-alist-alist
             '(brackwin-at-line
               "^at line \\([0-9]+\\), column \\([0-9]+\\) in \\(.+\\)$" 3 1 2))
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
