# The Debian 12 packages the build, the viewer and the tests need, and a
# function that installs whichever of them are missing. Sourced by run.sh and
# test.sh.

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
  libopenexr-dev       # rpfconvert writes OpenEXR
  libopencolorio-dev   # the studios' display transforms, when $OCIO names a config
  ccache)              # rebuilds after small changes reuse what was compiled
# Fonts for the window's texts; a bare system has none.
RUN_PACKAGES=("${BUILD_PACKAGES[@]}" fonts-dejavu-core)
TEST_PACKAGES=("${RUN_PACKAGES[@]}"
  libgtest-dev                         # unit and window tests
  openimageio-tools libopenimageio-dev # the peer the reader is checked and measured against
  xvfb openbox xdotool x11-utils imagemagick xclip poppler-utils  # end-to-end tests
  clang-14 libclang-rt-14-dev          # the fuzz target
  g++-mingw-w64-x86-64-posix           # the Qt-free part built for Windows
  # desktop integration: the entry, the MIME type as GIO sees it, the man
  # pages, and the Debian package with its library dependencies
  desktop-file-utils shared-mime-info xdg-utils libglib2.0-bin file groff-base gzip dpkg-dev
  lintian appstream                    # the package and its software-centre metadata checked
  tumbler dbus                         # a file manager's thumbnail service, run against ours
)

install_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}
