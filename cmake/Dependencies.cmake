# The libraries the project builds against. The Debian packages that provide them are listed
# in dependencies/debian-packages.txt.
find_package(PkgConfig REQUIRED)
find_package(PNG REQUIRED)
find_package(nlohmann_json 3.10 REQUIRED)
find_package(CLI11 REQUIRED)
pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
pkg_check_modules(WEBP REQUIRED IMPORTED_TARGET libwebp libwebpmux)
# velorin-sim import: giflib decodes GIF pictures, libpng (above) PNG and animated PNG frames,
# FFmpeg video, libwebpdemux animated WebP, and pixman resizes the frames.
find_package(GIF 5 REQUIRED)
pkg_check_modules(IMPORT_MEDIA REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswscale
                  libwebpdemux pixman-1)
# velorin-sim import draws Lottie animations with rlottie.
pkg_check_modules(RLOTTIE REQUIRED IMPORTED_TARGET rlottie)
# velorin-sim pack writes, and install reads, Debian packages with libarchive.
pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)
# The tools' pictures of the lock screen set their text with pango and cairo, in the font of
# fonts-dejavu-core, and velorin-sim live shows them in a window with SDL2.
pkg_check_modules(TEXT REQUIRED IMPORTED_TARGET pangocairo pangoft2 fontconfig cairo)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
set(VELORIN_FONT_FOLDER "/usr/share/fonts/truetype/dejavu" CACHE PATH
    "The folder of fonts-dejavu-core's DejaVuSans.ttf and DejaVuSans-Bold.ttf")
# The display toolkit's compositor draws with pixman; its PNG decoder's fast path inflates with
# libdeflate.
pkg_check_modules(PIXMAN REQUIRED IMPORTED_TARGET pixman-1)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)
if(VELORIN_BUILD_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
    # The preview tests decode the animated WebP that velorin-sim writes.
    pkg_check_modules(WEBPDEMUX REQUIRED IMPORTED_TARGET libwebpdemux)
endif()
if(VELORIN_BUILD_BENCHMARKS)
    find_package(benchmark REQUIRED)
endif()
