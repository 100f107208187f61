// A border-colour loop: the smallest program that shows it runs.
// Build and run it in VICE:  brackwin -f examples/demo.asm -r -e

BasicUpstart2(start)    // A BASIC line, 10 SYS start, that RUN starts.

start:
        inc $d020       // The next border colour...
        jmp start       // ...for ever.
