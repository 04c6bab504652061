# Packs a signed release: OUT/Garbello-VERSION.tar.gz holding Garbello.app,
# and OUT/latest.json, the manifest naming its size and SHA-256.
# Run through the `release` target; every -D value below is required.
foreach(required BUNDLE SIGN_TOOL KEY NOTES URL_BASE VERSION BUILD_NUMBER MINIMUM OUT)
    if("${${required}}" STREQUAL "")
        message(FATAL_ERROR "release: ${required} is not set (see docs/releasing.md)")
    endif()
endforeach()

set(staging ${OUT}/staging)
set(image_name Garbello-${VERSION}.tar.gz)
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${staging})
file(COPY ${BUNDLE} DESTINATION ${staging} USE_SOURCE_PERMISSIONS)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "release: failed: ${ARGN}")
    endif()
endfunction()

run(${SIGN_TOOL} sign ${staging}/Garbello.app ${KEY})
run(tar --owner=0 --group=0 --numeric-owner -czf ${OUT}/${image_name} -C ${staging} Garbello.app)
string(TIMESTAMP published "%Y-%m-%dT%H:%M:%SZ" UTC)
run(${SIGN_TOOL} manifest ${OUT}/${image_name} ${URL_BASE}/${image_name} ${VERSION}
    ${BUILD_NUMBER} ${MINIMUM} ${published} ${NOTES} ${OUT}/latest.json)
file(REMOVE_RECURSE ${staging})
message(STATUS "release: ${OUT}/${image_name} and ${OUT}/latest.json")
