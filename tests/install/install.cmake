# The installed tree, and the installed program started as the desktop's menu starts it. Both
# install this build into a temporary prefix of their own.
set(velloran_installed_tools)
foreach(tool velloran-import velloran-export)
  if(TARGET ${tool})
    list(APPEND velloran_installed_tools ${tool})
  endif()
endforeach()
add_test(NAME install_tree COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_tree.sh ${PROJECT_BINARY_DIR}
                                   ${velloran_installed_tools})
add_test(NAME install_xvfb COMMAND ${CMAKE_CURRENT_LIST_DIR}/installed_xvfb.sh ${PROJECT_BINARY_DIR}
                                   ${CMAKE_CURRENT_LIST_DIR}/../e2e/xhelper.py)
# Both write the build's install_manifest.txt: one at a time.
set_tests_properties(install_tree PROPERTIES TIMEOUT 60 RESOURCE_LOCK velloran_install)
set_tests_properties(install_xvfb PROPERTIES TIMEOUT 120 COST 5000 RESOURCE_LOCK velloran_install)
