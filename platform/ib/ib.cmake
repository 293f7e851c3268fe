# The data-access layer over the Firebird client library (platform/ib).
find_library(TOLVAREN_FBCLIENT fbclient REQUIRED)
find_path(TOLVAREN_FIREBIRD_INCLUDE firebird/Interface.h REQUIRED)
find_path(TOLVAREN_FIREBIRD_SYSTEM_DIR firebird.msg
  PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/firebird/3.0 /usr/lib/firebird/3.0
  NO_DEFAULT_PATH)
target_sources(platform PRIVATE
  ib/Component.cpp
  ib/IBClient.cpp
  ib/IBDatabase.cpp
  ib/IBDataSet.cpp
  ib/IBDataSetEdit.cpp
  ib/IBEnvironment.cpp
  ib/IBError.cpp
  ib/IBField.cpp
  ib/IBParam.cpp
  ib/IBSQLText.cpp
  ib/IBStatement.cpp
  ib/IBTransaction.cpp
)
target_include_directories(platform PUBLIC ${TOLVAREN_FIREBIRD_INCLUDE})
target_link_libraries(platform PUBLIC ${TOLVAREN_FBCLIENT})
if(TOLVAREN_FIREBIRD_SYSTEM_DIR)
  set_source_files_properties(ib/IBEnvironment.cpp PROPERTIES
    COMPILE_DEFINITIONS TOLVAREN_FIREBIRD_SYSTEM_DIR="${TOLVAREN_FIREBIRD_SYSTEM_DIR}")
endif()
