# What a Windows copy holds: the programs in the top folder beside their
# manual (help/), where zvk looks for it first. scripts/package-windows lays
# it out with the Qt and MinGW libraries and makes the installer and the zip.
if(TARGET zvk)
  install(TARGETS zvk RUNTIME DESTINATION . COMPONENT desktop)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/help/ DESTINATION help COMPONENT desktop)
endif()
install(TARGETS zvk-cli RUNTIME DESTINATION . COMPONENT cli)
