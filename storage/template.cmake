# The schema library and template.db's generator. Included by the project
# itself and, when kesto is cross-compiled, by tools/hosttools, which builds
# the generator for the build machine so that it can run there.
file(READ ${KESTO_SOURCE_DIR}/storage/schema.sql KESTO_SCHEMA_SQL)
file(READ ${KESTO_SOURCE_DIR}/storage/migrations.sql KESTO_MIGRATIONS_SQL)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${KESTO_SOURCE_DIR}/storage/schema.sql ${KESTO_SOURCE_DIR}/storage/migrations.sql)
configure_file(${KESTO_SOURCE_DIR}/storage/schema_sql.h.in ${CMAKE_CURRENT_BINARY_DIR}/generated/schema_sql.h @ONLY)

add_library(kesto_schema STATIC ${KESTO_SOURCE_DIR}/storage/schema.cpp ${KESTO_SOURCE_DIR}/storage/schema.h)
target_include_directories(kesto_schema PUBLIC ${KESTO_SOURCE_DIR}/storage ${CMAKE_CURRENT_BINARY_DIR}/generated)
target_link_libraries(kesto_schema PUBLIC Qt6::Sql)

if(NOT CMAKE_CROSSCOMPILING)
    qt_add_executable(maketemplate ${KESTO_SOURCE_DIR}/tools/maketemplate.cpp)
    set_target_properties(maketemplate PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
    target_link_libraries(maketemplate PRIVATE kesto_schema)
endif()
