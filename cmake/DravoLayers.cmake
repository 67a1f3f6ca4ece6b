# The folders of the product code, lowest layer first. A file may include
# headers of its own folder and of the folders before it, never of one after
# it: tests/cmake/CheckLayers.cmake holds every file to this.
set(DRAVO_LAYERS
  resources
  platform
  support
  identity
  ui
  driversupport
  settings
  dialogs
  app
  setup
  tools)
