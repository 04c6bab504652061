# Garbello.app: the relocatable bundle that is installed in /opt and shipped
# in releases. Contents/MacOS/Garbello is the executable; Contents/Info.plist
# carries the identifier, the version and the build number of this build.
set(GARBELLO_BUNDLE_DIR ${CMAKE_BINARY_DIR}/Garbello.app)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Info.plist.in ${CMAKE_BINARY_DIR}/bundle/Info.plist @ONLY)

add_custom_command(
    OUTPUT ${GARBELLO_BUNDLE_DIR}/Contents/MacOS/Garbello ${GARBELLO_BUNDLE_DIR}/Contents/Info.plist
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${GARBELLO_BUNDLE_DIR}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${GARBELLO_BUNDLE_DIR}/Contents/MacOS
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:garbello>
            ${GARBELLO_BUNDLE_DIR}/Contents/MacOS/Garbello
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/bundle/Info.plist
            ${GARBELLO_BUNDLE_DIR}/Contents/Info.plist
    DEPENDS garbello ${CMAKE_BINARY_DIR}/bundle/Info.plist
    COMMENT "Assembling Garbello.app")
add_custom_target(garbello_bundle ALL
    DEPENDS ${GARBELLO_BUNDLE_DIR}/Contents/MacOS/Garbello ${GARBELLO_BUNDLE_DIR}/Contents/Info.plist)

# `cmake --build build --target release` signs a copy of the bundle and packs
# it with its manifest into build/release (see docs/releasing.md).
set(GARBELLO_SIGNING_KEY "" CACHE FILEPATH
    "Ed25519 private key (PEM) that signs releases; keep it outside the source tree")
set(GARBELLO_RELEASE_NOTES "" CACHE FILEPATH "Text file with the release notes")
set(GARBELLO_RELEASE_URL_BASE "https://releases.garbello.app/garbello" CACHE STRING
    "Where release images are served from")
set(GARBELLO_MINIMUM_SYSTEM "2.36" CACHE STRING
    "Lowest C library version the release runs on (the manifest's minimum_macos)")

add_custom_target(release
    COMMAND ${CMAKE_COMMAND}
            -DBUNDLE=${GARBELLO_BUNDLE_DIR}
            -DSIGN_TOOL=$<TARGET_FILE:garbello-sign>
            -DKEY=${GARBELLO_SIGNING_KEY}
            -DNOTES=${GARBELLO_RELEASE_NOTES}
            -DURL_BASE=${GARBELLO_RELEASE_URL_BASE}
            -DVERSION=${PROJECT_VERSION}
            -DBUILD_NUMBER=${GARBELLO_BUILD_NUMBER}
            -DMINIMUM=${GARBELLO_MINIMUM_SYSTEM}
            -DOUT=${CMAKE_BINARY_DIR}/release
            -P ${CMAKE_CURRENT_LIST_DIR}/release.cmake
    DEPENDS garbello_bundle garbello-sign
    VERBATIM)
