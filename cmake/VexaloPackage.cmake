# The Debian package. Runtime dependencies are derived from the programs by dpkg-shlibdeps;
# only what no library link shows is named here. scripts/package builds it into dist/.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexalo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vexalo developers")
set(CPACK_PACKAGE_CONTACT "The Vexalo developers <vexalo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "speaks the state of a Q7 transceiver aloud")
set(CPACK_PACKAGE_DESCRIPTION
    "Vexalo speaks the readings of a Q7 amateur-radio transceiver (frequency, VFO, split, mode, \
filter, AGC, noise blanker, preamplifier, attenuator, power, keyer speed, S-meter, RIT/XIT) \
through the sound card, for operators who cannot see the radio's display. It talks to the \
radio over one serial line and is used from the keyboard or with a screen reader. Includes \
q7sim, a simulated Q7 radio, and vexalo-replay.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# --speech=dispatcher speaks through the desktop's speech service; without it the clips speak.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "speech-dispatcher")
# The voice kit: recording needs espeak-ng and sox, checking needs Python.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "espeak-ng, sox, python3")
include(CPack)
