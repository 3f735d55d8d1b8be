# Read by cpack before it packages: a Debian package installs under /usr, and
# the program finds its Materials under the prefix it was configured for.
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_PACKAGING_INSTALL_PREFIX STREQUAL "/usr")
  message(FATAL_ERROR "the Debian package needs a build configured with -DCMAKE_INSTALL_PREFIX=/usr, "
                      "not ${CPACK_PACKAGING_INSTALL_PREFIX}: build it with `make package` (scripts/package)")
endif()
