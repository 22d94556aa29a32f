# The bubble built with pictures it cannot use: two cut short half-way
# ("damaged") or two left out ("missing"). Each variant is a test executable
# of its own, linked against its own resource script. Included from
# tests/CMakeLists.txt, so the executables land next to the other tests.
set(BROKEN_PICTURES_DIR ${CMAKE_CURRENT_LIST_DIR})
foreach(variant IN ITEMS damaged missing)
  set(script ${BROKEN_PICTURES_DIR}/${variant}.rc)
  set_property(SOURCE ${script} APPEND PROPERTY INCLUDE_DIRECTORIES
    ${BROKEN_PICTURES_DIR} ${PROJECT_SOURCE_DIR}/res)
  set_property(SOURCE ${script} APPEND PROPERTY OBJECT_DEPENDS ${MARROWTUNE_PICTURES}
    ${BROKEN_PICTURES_DIR}/bubble_right_truncated.png ${BROKEN_PICTURES_DIR}/button_pressed_truncated.png)
  add_executable(${variant}_picture_tests ${BROKEN_PICTURES_DIR}/broken_picture_tests.cpp ${script})
  string(TOUPPER ${variant} VARIANT)
  target_compile_definitions(${variant}_picture_tests PRIVATE MARROWTUNE_${VARIANT}_PICTURES)
  target_link_libraries(${variant}_picture_tests PRIVATE marrowtune_test_kit marrowtune_program_kit)
  marrowtune_discover_tests(${variant}_picture_tests)
endforeach()
