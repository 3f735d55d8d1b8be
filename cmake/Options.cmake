# The tests and the lab are options, so that the demo builds with only the
# packages it needs (scripts/bootstrap run). Each is AUTO, ON or OFF: AUTO
# (the default) builds it when what it needs is installed and says what is
# missing when it is not; ON makes a missing package a configure error; OFF
# leaves it out. After the choice the option reads ON or OFF.
set(OC_TESTS AUTO CACHE STRING "Build the tests: AUTO (when GoogleTest and the lab are there), ON or OFF")
set(OC_LAB AUTO CACHE STRING "Build the lab, occlusion-lab: AUTO (when Dear ImGui is there), ON or OFF")
set_property(CACHE OC_TESTS OC_LAB PROPERTY STRINGS AUTO ON OFF)

# oc_choose(OPTION [WHY]): sets OPTION to ON or OFF. WHY, when given, says why
# it cannot be built.
function(oc_choose option)
  set(why "${ARGN}")
  string(TOUPPER "${${option}}" asked)
  if(asked MATCHES "^(ON|YES|TRUE|Y|1)$")
    if(why)
      message(FATAL_ERROR "${option} is ON, but ${why}")
    endif()
    set(${option} ON PARENT_SCOPE)
  elseif(asked MATCHES "^(OFF|NO|FALSE|N|0)$")
    set(${option} OFF PARENT_SCOPE)
  elseif(asked STREQUAL "AUTO")
    if(why)
      message(STATUS "${option} is OFF: ${why}")
      set(${option} OFF PARENT_SCOPE)
    else()
      set(${option} ON PARENT_SCOPE)
    endif()
  else()
    message(FATAL_ERROR "${option} is '${${option}}'; it must be AUTO, ON or OFF")
  endif()
endfunction()

# oc_missing(VARIABLE WHAT PROFILE PACKAGE...): VARIABLE says that WHAT cannot
# be built without the Debian packages named, and how to install them; it is
# empty when none are named.
function(oc_missing variable what profile)
  set(${variable} "" PARENT_SCOPE)
  if(ARGN)
    string(REPLACE ";" " " packages "${ARGN}")
    set(${variable} "${what} cannot be built without ${packages}: apt-get install ${packages} (or scripts/bootstrap ${profile})"
        PARENT_SCOPE)
  endif()
endfunction()

pkg_check_modules(OC_FOUND_IMGUI QUIET imgui)
set(missing)
if(NOT OC_FOUND_IMGUI_FOUND)
  list(APPEND missing libimgui-dev)
endif()
oc_missing(why "the lab (occlusion-lab)" lab ${missing})
oc_choose(OC_LAB "${why}")

# The tests cover the lab too, and the end-to-end tests have a helper on X11.
find_package(GTest QUIET)
pkg_check_modules(OC_FOUND_X11 QUIET x11)
set(missing)
if(NOT GTest_FOUND)
  list(APPEND missing libgtest-dev)
endif()
if(NOT OC_FOUND_X11_FOUND)
  list(APPEND missing libx11-dev)
endif()
if(NOT OC_FOUND_IMGUI_FOUND)
  list(APPEND missing libimgui-dev)
endif()
oc_missing(why "the tests" test ${missing})
if(NOT why AND NOT OC_LAB)
  set(why "the tests cover the lab, and OC_LAB is OFF")
elseif(NOT why AND NOT OC_BENCH)
  set(why "the tests cover the benchmark, and OC_BENCH is OFF")
endif()
oc_choose(OC_TESTS "${why}")
unset(missing)
unset(why)
