// What the sanitizers' leak and thread checkers are not to report in velorin-sim and its tests.
//
// The text stack keeps one font map for the life of the process, and fontconfig, pango,
// harfbuzz and cairo keep caches of fonts, glyphs and shapes behind it that they never free;
// the window's SDL keeps what its X11 and GL libraries made until the process ends. None of
// these is ours to free, and none grows with the work done. The leak checker asks for this
// list, and for its options, by the names below when the process starts; in builds without
// it, nothing calls them. It is told not to list the suppressions it used, which would end up
// on standard error among the program's own messages.

extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libpango-1.0.so\n"
           "leak:libpangoft2-1.0.so\n"
           "leak:libpangocairo-1.0.so\n"
           "leak:libharfbuzz.so\n"
           "leak:libcairo.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libSDL2-2.0.so\n"
           "leak:libX11.so\n"
           "leak:libEGL_mesa.so\n"
           "leak:swrast_dri.so\n";
}

extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_options() {
    return "print_suppressions=0";
}

// Pango hands fontconfig's set-up and its font matching to threads of its own and waits for
// them with glib's locks, which are made on the kernel's futexes directly and so are unseen by
// the thread checker: every string such a thread made and the drawing thread then reads looks
// like a race. Only races with fontconfig's or pango's own code in their stacks are left out;
// everything else the program does on its threads is still checked.
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_suppressions() {
    return "race:libfontconfig.so\n"
           "race:libpangoft2-1.0.so\n";
}
