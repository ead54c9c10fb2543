# The libraries of the Windows build, from the prefixes scripts/windows.sh builds from
# Debian source packages, under the target names the Linux build gets from pkg-config.
foreach(dep FREETYPE SDL GSOAP PCAP)
  if(NOT IS_DIRECTORY "${PERABO_WIN_${dep}}")
    message(FATAL_ERROR "PERABO_WIN_${dep} must name a built prefix; run scripts/windows.sh")
  endif()
endforeach()

# The C and C++ runtimes and winpthread go into the executable; the DLLs it needs are
# the system's, SDL.dll (shipped beside it) and Npcap's wpcap.dll.
add_link_options(-static)

# SDL 1.2: its sdl.pc (with Debian's patch reversed) asks for mingw32 and SDLmain,
# whose WinMain calls our main and sends stdout and stderr to stdout.txt and
# stderr.txt beside the executable. The DLL's import library is named by its path, so
# -static does not look for a static SDL.
add_library(PkgConfig::SDL INTERFACE IMPORTED)
target_include_directories(PkgConfig::SDL INTERFACE ${PERABO_WIN_SDL}/include/SDL)
target_link_libraries(PkgConfig::SDL INTERFACE
  mingw32 ${PERABO_WIN_SDL}/lib/libSDLmain.a ${PERABO_WIN_SDL}/lib/libSDL.dll.a -mwindows)

add_library(perabo_freetype STATIC IMPORTED)
set_target_properties(perabo_freetype PROPERTIES
  IMPORTED_LOCATION ${PERABO_WIN_FREETYPE}/lib/libfreetype.a
  INTERFACE_INCLUDE_DIRECTORIES ${PERABO_WIN_FREETYPE}/include/freetype2)

# The SOAP runtime, with the options Debian's gsoap++ has in its pkg-config Cflags.
add_library(PkgConfig::GSOAP STATIC IMPORTED)
set_target_properties(PkgConfig::GSOAP PROPERTIES
  IMPORTED_LOCATION ${PERABO_WIN_GSOAP}/lib/libgsoap++.a
  INTERFACE_INCLUDE_DIRECTORIES ${PERABO_WIN_GSOAP}/include
  INTERFACE_COMPILE_DEFINITIONS "WITH_IPV6;WITH_DOM"
  INTERFACE_LINK_LIBRARIES ws2_32)

# wpcap.dll: libpcap's headers, and an import library made from the functions we call.
find_program(PERABO_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
set(wpcap_def ${CMAKE_CURRENT_LIST_DIR}/wpcap.def)
set(wpcap_lib ${CMAKE_BINARY_DIR}/wpcap/libwpcap.a)
add_custom_command(OUTPUT ${wpcap_lib}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/wpcap
  COMMAND ${PERABO_DLLTOOL} --input-def ${wpcap_def} --dllname wpcap.dll --output-lib ${wpcap_lib}
  DEPENDS ${wpcap_def}
  COMMENT "Making the import library of wpcap.dll")
add_custom_target(wpcap_import_library DEPENDS ${wpcap_lib})
add_library(PkgConfig::PCAP INTERFACE IMPORTED)
target_include_directories(PkgConfig::PCAP INTERFACE ${PERABO_WIN_PCAP}/include)
target_link_libraries(PkgConfig::PCAP INTERFACE ${wpcap_lib} iphlpapi ws2_32)
