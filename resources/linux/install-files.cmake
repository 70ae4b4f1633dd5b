# Runs at install time with TESMIRA_LINUX_SOURCE and TESMIRA_OPENVPN set (see CMakeLists.txt).
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(TESMIRA_BIN "${CMAKE_INSTALL_PREFIX}/bin/tesmira")
# pkexec matches the policy's path against the one it is given character for character: the
# program runs the helper as "<prefix>/libexec/tesmira/tesmira-engine-helper".
set(TESMIRA_HELPER "${CMAKE_INSTALL_PREFIX}/libexec/tesmira/tesmira-engine-helper")

function(tesmira_install_link target link)
  message(STATUS "Installing: ${link} -> ${target}")
  get_filename_component(folder "${link}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(CREATE_LINK "${target}" "${link}" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${link}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

function(tesmira_install_configured source destination)
  message(STATUS "Installing: ${destination}")
  configure_file("${TESMIRA_LINUX_SOURCE}/${source}" "${destination}" @ONLY)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${destination}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

tesmira_install_link("../lib/tesmira/tesmira" "${root}/bin/tesmira")
tesmira_install_link("${TESMIRA_OPENVPN}" "${root}/lib/tesmira/64bit/openvpn")
tesmira_install_link("${TESMIRA_OPENVPN}" "${root}/lib/tesmira/32bit/openvpn")
tesmira_install_configured(tesmira.desktop.in "${root}/share/applications/tesmira.desktop")
tesmira_install_configured(org.tesmira.engine.policy.in
  "${root}/share/polkit-1/actions/org.tesmira.engine.policy")
