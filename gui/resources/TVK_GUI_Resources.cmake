# Compiled-in resources of tvk_gui: the pictures (drawn at build time by the
# picture maker), the style sheet, the panel font and the window icon.
# Included from gui/CMakeLists.txt after tvk_gui exists, so that the custom
# commands live in the same directory as the target that compiles their output.

set(TVK_GUI_RES_DIR ${CMAKE_CURRENT_SOURCE_DIR}/resources)
set(TVK_GUI_RES_OUT ${CMAKE_CURRENT_BINARY_DIR}/resources)

# Host tool: draws every picture and its @2x twin and lists them in a .qrc.
# No sanitizers: it runs during the build and only its output matters.
add_executable(tvk_gui_picturemaker ${TVK_GUI_RES_DIR}/generator/TVK_GUI_PictureMaker.cpp)
target_link_libraries(tvk_gui_picturemaker PRIVATE Qt5::Gui)
target_compile_options(tvk_gui_picturemaker PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
target_compile_definitions(tvk_gui_picturemaker PRIVATE QT_NO_KEYWORDS)

set(TVK_GUI_IMAGES_QRC ${TVK_GUI_RES_OUT}/pictures/tvk_gui_images.qrc)
add_custom_command(
    OUTPUT ${TVK_GUI_IMAGES_QRC} ${TVK_GUI_RES_OUT}/pictures/pictures.stamp
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:tvk_gui_picturemaker> ${TVK_GUI_RES_OUT}/pictures
            ${TVK_GUI_IMAGES_QRC} ${TVK_GUI_RES_OUT}/pictures/pictures.stamp
    DEPENDS tvk_gui_picturemaker
    COMMENT "Drawing the interface pictures"
    VERBATIM)

# The panel font is DSEG7 Classic from Debian's fonts-dseg, bundled under the
# resource name the interface asks for.
find_file(TVK_GUI_FONT_SOURCE DSEG7Classic-Regular.ttf
    PATHS /usr/share/fonts/truetype/dseg NO_DEFAULT_PATH)
if(NOT TVK_GUI_FONT_SOURCE)
    message(FATAL_ERROR "DSEG7Classic-Regular.ttf not found in /usr/share/fonts/truetype/dseg: "
                        "install the Debian package fonts-dseg (apt-get install fonts-dseg)")
endif()
configure_file(${TVK_GUI_FONT_SOURCE} ${TVK_GUI_RES_OUT}/static/fonts/Dalmo_Regular.ttf COPYONLY)
configure_file(${TVK_GUI_RES_DIR}/style.css ${TVK_GUI_RES_OUT}/static/Resources/style.css COPYONLY)
# The window icon: the same committed PNGs that are installed for the desktop.
set(TVK_GUI_ICONS)
foreach(size 16 24 32 48 64 128 256)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/icons/norba-pellora-${size}.png
                   ${TVK_GUI_RES_OUT}/static/icons/norba-pellora-${size}.png COPYONLY)
    list(APPEND TVK_GUI_ICONS ${TVK_GUI_RES_OUT}/static/icons/norba-pellora-${size}.png)
endforeach()
configure_file(${TVK_GUI_RES_DIR}/tvk_gui_static.qrc ${TVK_GUI_RES_OUT}/static/tvk_gui_static.qrc COPYONLY)

# rcc for both bundles; --name gives the symbol that Q_INIT_RESOURCE needs,
# which a static library must call or the linker drops the data.
set(TVK_GUI_IMAGES_CPP ${TVK_GUI_RES_OUT}/qrc_tvk_gui_images.cpp)
add_custom_command(
    OUTPUT ${TVK_GUI_IMAGES_CPP}
    COMMAND $<TARGET_FILE:Qt5::rcc> --name tvk_gui_images -o ${TVK_GUI_IMAGES_CPP} ${TVK_GUI_IMAGES_QRC}
    DEPENDS ${TVK_GUI_IMAGES_QRC} ${TVK_GUI_RES_OUT}/pictures/pictures.stamp
    COMMENT "Compiling the interface pictures"
    VERBATIM)
set(TVK_GUI_STATIC_CPP ${TVK_GUI_RES_OUT}/qrc_tvk_gui_static.cpp)
add_custom_command(
    OUTPUT ${TVK_GUI_STATIC_CPP}
    COMMAND $<TARGET_FILE:Qt5::rcc> --name tvk_gui_static -o ${TVK_GUI_STATIC_CPP} ${TVK_GUI_RES_OUT}/static/tvk_gui_static.qrc
    DEPENDS ${TVK_GUI_RES_OUT}/static/tvk_gui_static.qrc ${TVK_GUI_RES_OUT}/static/Resources/style.css
            ${TVK_GUI_RES_OUT}/static/fonts/Dalmo_Regular.ttf ${TVK_GUI_ICONS}
    COMMENT "Compiling the style sheet, the font and the window icon"
    VERBATIM)

set_source_files_properties(${TVK_GUI_IMAGES_CPP} ${TVK_GUI_STATIC_CPP} PROPERTIES
    SKIP_AUTOMOC ON SKIP_AUTOUIC ON)
target_sources(tvk_gui PRIVATE ${TVK_GUI_IMAGES_CPP} ${TVK_GUI_STATIC_CPP})
