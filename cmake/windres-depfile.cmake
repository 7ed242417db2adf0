# Included after project(): a changed header of a resource script (the dialogs' ids) compiles the
# script again. Ninja reads a dependency file after every RC compile, but CMake gives windres no
# flags to write one; windres's preprocessor writes it. Make trees scan the includes themselves.
if(CMAKE_GENERATOR MATCHES "Ninja")
  set(CMAKE_RC_COMPILE_OBJECT "<CMAKE_RC_COMPILER> -O coff <DEFINES> <INCLUDES> <FLAGS> --preprocessor-arg=-MD \
--preprocessor-arg=-MT --preprocessor-arg=<OBJECT> --preprocessor-arg=-MF --preprocessor-arg=<DEP_FILE> <SOURCE> <OBJECT>")
endif()
