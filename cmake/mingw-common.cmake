# The -posix variants: GoogleTest needs std::mutex, which the win32-thread variant lacks.
set(CMAKE_C_COMPILER ${QZ_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QZ_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QZ_TRIPLE}-windres)
set(QZ_WIDL ${QZ_TRIPLE}-widl)
set(CMAKE_FIND_ROOT_PATH /usr/${QZ_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
