# The icon set: every image is one base shape (shapes/) filled with one
# glyph (glyphs/, 24 x 24 grid) and the colours of one state of one family.
# Configuring writes the SVG files into the build tree; velmo_svgrender
# turns them into PNG at build time.
#
# Sizes are twice the size the widgets show (border images scale down), and
# every glyph is scaled so that its stroke comes out 4 px wide, 2 px on screen.

set(VELMO_ICON_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VELMO_ICON_SVG_DIR ${CMAKE_CURRENT_BINARY_DIR}/icons/svg)
set(VELMO_ICON_PNG_DIR ${CMAKE_CURRENT_BINARY_DIR}/icons/png)
set(VELMO_ICON_MANIFEST "")
set(VELMO_ICON_SVGS "")
set(VELMO_ICON_PNGS "")
set(VELMO_ICON_RESOURCES "")

# --- state palettes -------------------------------------------------------
# <family>_<state>: background, ring colour, ring width, glyph colour.
set(_none "none")
# Axis panel and dialog buttons: red when pressed, red ring when checked.
set(panel_normal   "#383B40;${_none};0;#D5D8DE")
set(panel_hover    "#4B4F56;#737882;3;#FFFFFF")
set(panel_pressed  "#D93B38;${_none};0;#FFFFFF")
set(panel_checked  "#26282C;#D93B38;4;#FF6A66")
set(panel_unabled  "#2B2D31;${_none};0;#5C6067")
# Title bar: flat until touched, blue when pressed (like the axis buttons).
set(title_normal   "${_none};${_none};0;#B8BBC2")
set(title_hover    "#55585F;${_none};0;#FFFFFF")
set(title_pressed  "#166ED7;${_none};0;#FFFFFF")
set(title_checked  "#2A2C30;#166ED7;4;#4FA0FF")
set(close_normal   "${_none};${_none};0;#B8BBC2")
set(close_hover    "#D93B38;${_none};0;#FFFFFF")
set(close_pressed  "#A52B29;${_none};0;#FFFFFF")
# Menu bar (connect, add axis): solid, blue when pressed.
set(menu_normal    "#383B40;${_none};0;#FFFFFF")
set(menu_hover     "#4B4F56;#737882;3;#FFFFFF")
set(menu_checked   "#166ED7;${_none};0;#FFFFFF")
# Spin box steppers.
set(spin_normal    "#2E3035;${_none};0;#C9CCD2")
set(spin_hover     "#42454B;${_none};0;#FFFFFF")
set(spin_pressed   "#D93B38;${_none};0;#FFFFFF")

# milli -> "i.fff"
function(_velmo_milli_text milli out)
    math(EXPR whole "${milli} / 1000")
    math(EXPR frac "${milli} % 1000")
    if(frac LESS 10)
        set(frac "00${frac}")
    elseif(frac LESS 100)
        set(frac "0${frac}")
    endif()
    set(${out} "${whole}.${frac}" PARENT_SCOPE)
endfunction()

function(_velmo_register name svg w h)
    set(png ${VELMO_ICON_PNG_DIR}/${name}.png)
    set(VELMO_ICON_MANIFEST "${VELMO_ICON_MANIFEST}${svg}\t${png}\t${w}\t${h}\n" PARENT_SCOPE)
    set(VELMO_ICON_SVGS ${VELMO_ICON_SVGS} ${svg} PARENT_SCOPE)
    set(VELMO_ICON_PNGS ${VELMO_ICON_PNGS} ${png} PARENT_SCOPE)
    set(VELMO_ICON_RESOURCES ${VELMO_ICON_RESOURCES} "${name}.png|${png}" PARENT_SCOPE)
endfunction()

# velmo_icon(<name> <shape> <family> <state> <glyph> <W> <H>
#            [SCALE <milli>] [STROKE <milli>] [RADIUS <rx>] [GLYPH_X <x>] [LABEL <text>])
# STROKE overrides the stroke width in glyph units (for pictures shown unscaled).
# <name> is the resource path below ":/", without ".png".
macro(velmo_icon name shape family state glyph W H)
    cmake_parse_arguments(_vi "" "SCALE;STROKE;RADIUS;GLYPH_X;LABEL" "" ${ARGN})
    if(NOT DEFINED ${family}_${state})
        message(FATAL_ERROR "icon ${name}: no palette ${family}_${state}")
    endif()
    list(GET ${family}_${state} 0 BG)
    list(GET ${family}_${state} 1 RING)
    list(GET ${family}_${state} 2 RINGW)
    list(GET ${family}_${state} 3 FG)
    set(W ${W})
    set(H ${H})
    if(NOT _vi_SCALE)
        set(_vi_SCALE 2000)
    endif()
    if(NOT _vi_RADIUS)
        set(_vi_RADIUS 12)
    endif()
    _velmo_milli_text(${_vi_SCALE} GS)
    if(_vi_STROKE)
        set(_sw ${_vi_STROKE})
    else()
        math(EXPR _sw "4000000 / ${_vi_SCALE}")
    endif()
    _velmo_milli_text(${_sw} SW)
    math(EXPR _g "24 * ${_vi_SCALE} / 1000")
    if(DEFINED _vi_GLYPH_X AND NOT _vi_GLYPH_X STREQUAL "")
        set(GX ${_vi_GLYPH_X})
    else()
        math(EXPR GX "(${W} - ${_g}) / 2")
    endif()
    math(EXPR GY "(${H} - ${_g}) / 2")
    # The ring is drawn inside the picture.
    math(EXPR INSET "(${RINGW} + 1) / 2")
    math(EXPR RW "${W} - 2 * ${INSET}")
    math(EXPR RH "${H} - 2 * ${INSET}")
    set(RX ${_vi_RADIUS})
    set(LABEL "${_vi_LABEL}")
    math(EXPR TX "(${GX} + ${_g} + ${W}) / 2")
    math(EXPR TY "${H} / 2 + ${H} / 8")
    math(EXPR FONTSIZE "${H} * 36 / 100")
    file(READ ${VELMO_ICON_DIR}/glyphs/${glyph}.svg _glyph_text)
    string(CONFIGURE "${_glyph_text}" GLYPH @ONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VELMO_ICON_DIR}/glyphs/${glyph}.svg)
    configure_file(${VELMO_ICON_DIR}/shapes/${shape}.svg.in ${VELMO_ICON_SVG_DIR}/${name}.svg @ONLY)
    _velmo_register(${name} ${VELMO_ICON_SVG_DIR}/${name}.svg ${W} ${H})
endmacro()

# A fixed picture (no states): shapes/<file>.svg copied as it is.
macro(velmo_picture name file W H)
    configure_file(${VELMO_ICON_DIR}/shapes/${file}.svg ${VELMO_ICON_SVG_DIR}/${name}.svg COPYONLY)
    _velmo_register(${name} ${VELMO_ICON_SVG_DIR}/${name}.svg ${W} ${H})
endmacro()

# A template with its own colour variables, set by the caller.
macro(velmo_shape name shape W H)
    configure_file(${VELMO_ICON_DIR}/shapes/${shape}.svg.in ${VELMO_ICON_SVG_DIR}/${name}.svg @ONLY)
    _velmo_register(${name} ${VELMO_ICON_SVG_DIR}/${name}.svg ${W} ${H})
endmacro()

# --- :/image/ -------------------------------------------------------------

# Axis panel actions, 100 x 44 on screen (left and right 64 x 44).
foreach(_button move left right home stop enabled)
    set(_glyph ${_button})
    if(_button STREQUAL "enabled")
        set(_glyph power)
    endif()
    foreach(_state normal hover pressed checked unabled)
        set(_file ${_state})
        if(_button STREQUAL "stop" AND _state STREQUAL "hover")
            set(_file Hover) # the resource name is "stop_Hover"
        endif()
        if(_button STREQUAL "left" OR _button STREQUAL "right")
            # Jog and drive come in pairs: half-width buttons, 64 x 44.
            velmo_icon(image/${_button}_${_file} tile panel ${_state} ${_glyph} 128 88)
        else()
            velmo_icon(image/${_button}_${_file} tile panel ${_state} ${_glyph} 200 88)
        endif()
    endforeach()
endforeach()

# Parameter drop-downs next to move, jog and drive: 28 x 44.
foreach(_state normal hover pressed checked unabled)
    velmo_icon(image/downArrow_${_state} tile panel ${_state} chevronDown 56 88 SCALE 1500 RADIUS 10)
endforeach()

# Cycle button of the panel's title bar: 32 x 32.
velmo_icon(image/circle_normal tile panel normal cycle 64 64 SCALE 1500 RADIUS 10)
velmo_icon(image/circle_pressed tile panel pressed cycle 64 64 SCALE 1500 RADIUS 10)
velmo_icon(image/circle_chekced tile panel checked cycle 64 64 SCALE 1500 RADIUS 10)

# Motion chart button beside it, same size.
foreach(_state normal hover pressed)
    velmo_icon(image/chart_${_state} tile panel ${_state} chart 64 64 SCALE 1500 RADIUS 10)
endforeach()

# Title bar: 33 x 33.
foreach(_state normal hover pressed)
    velmo_icon(image/help_${_state} tile title ${_state} help 66 66 SCALE 1500 RADIUS 8)
    velmo_icon(image/min_${_state} tile title ${_state} minimise 66 66 SCALE 1500 RADIUS 8)
    velmo_icon(image/window_${_state} tile title ${_state} maximise 66 66 SCALE 1500 RADIUS 8)
endforeach()
foreach(_state normal hover checked)
    velmo_icon(image/options_${_state} tile title ${_state} sliders 66 66 SCALE 1500 RADIUS 8)
endforeach()
velmo_icon(image/close tile close normal close 66 66 SCALE 1500 RADIUS 8)
velmo_icon(image/close_hover tile close hover close 66 66 SCALE 1500 RADIUS 8)
velmo_icon(image/close_pressed tile close pressed close 66 66 SCALE 1500 RADIUS 8)

# Menu bar: the add-axis button (60 x 60) and the connect button (148 x 48).
foreach(_state normal hover checked)
    velmo_icon(image/add_${_state} tile menu ${_state} plus 120 120 SCALE 2500 RADIUS 14)
    velmo_icon(image/connect_${_state} labelled menu ${_state} plug 296 96
               SCALE 1500 RADIUS 16 GLYPH_X 26 LABEL "连接")
    velmo_icon(image/connect_${_state}_english labelled menu ${_state} plug 296 96
               SCALE 1500 RADIUS 16 GLYPH_X 26 LABEL "Connect")
endforeach()

# Maximise / restore glyphs, drawn at screen size: the code shows them as a
# centred background image, which is not scaled.
velmo_icon(image/showMax glyph title normal maximise 18 18 SCALE 750 STROKE 2000)
velmo_icon(image/showNormal glyph title normal restore 18 18 SCALE 750 STROKE 2000)

# State lamps.
set(LIGHT "#8A8D94")
set(DARK "#45474D")
velmo_shape(image/grayPot lamp 48 48)
set(LIGHT "#7CF29A")
set(DARK "#1E9E45")
velmo_shape(image/greenPot lamp 48 48)
set(LIGHT "#FF8A85")
set(DARK "#C0302C")
velmo_shape(image/redPot lamp 48 48)
set(LIGHT "#FFE08A")
set(DARK "#D49A12")
velmo_shape(image/yellowPot lamp 48 48)

velmo_picture(image/company company 140 40)
velmo_picture(image/devLogo devLogo 568 40)
velmo_picture(image/advertising advertising 358 152)

# --- :/image/settings/ ----------------------------------------------------

# Pop-up backgrounds (300 x 155): below their button, pointer up; the drive
# pop-up also opens above its button, pointer down.
set(ACCENT "#D93B38")
velmo_shape(image/settings/moveParam popup_below 600 310)
velmo_shape(image/settings/JogParam popup_below 600 310)
velmo_shape(image/settings/driveParamUp popup_below 600 310)
velmo_shape(image/settings/driveParam popup_above 600 310)

# Spin box steppers: 24 x 16, stacked at the right of the field.
foreach(_state normal hover pressed)
    velmo_icon(image/settings/add_${_state} tile spin ${_state} plus 48 32 SCALE 1000 RADIUS 5)
    velmo_icon(image/settings/sub_${_state} tile spin ${_state} minus 48 32 SCALE 1000 RADIUS 5)
endforeach()

# Combo box arrow.
velmo_icon(image/settings/arrowDown glyph spin normal chevronDown 48 48 SCALE 1500)

# Check boxes and radio buttons, 16 x 16 on screen; MARK shows the tick/dot.
foreach(_shape checkBox radio)
    set(_template checkbox)
    set(_checked checkBox_chekced)
    if(_shape STREQUAL "radio")
        set(_template radio)
        set(_checked radio_checked)
    endif()
    set(BG "#202124")
    set(RING "#8A8E96")
    set(FG "#FFFFFF")
    set(MARK 0)
    velmo_shape(image/settings/${_shape}_normal ${_template} 32 32)
    set(RING "#CA3839")
    set(BG "#2A2C30")
    velmo_shape(image/settings/${_shape}_hover ${_template} 32 32)
    set(MARK 1)
    if(_shape STREQUAL "radio")
        set(BG "#202124")
        set(RING "#D93B38")
        set(FG "#D93B38")
    else()
        set(BG "#D93B38")
        set(RING "#D93B38")
    endif()
    velmo_shape(image/settings/${_checked} ${_template} 32 32)
endforeach()

# Cycle dialog buttons (they carry their text; the glyph sits at the left).
foreach(_state normal hover pressed)
    velmo_icon(image/settings/circleLeft_${_state} tile panel ${_state} left 400 88 GLYPH_X 28)
    velmo_icon(image/settings/circleRight_${_state} tile panel ${_state} right 400 88 GLYPH_X 28)
    velmo_icon(image/settings/circleStop_${_state} tile panel ${_state} stop 400 88 GLYPH_X 28)
    velmo_icon(image/settings/selectFile_${_state} tile panel ${_state} folder 64 64 SCALE 1500 RADIUS 10)
endforeach()

file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/icons/manifest.txt "${VELMO_ICON_MANIFEST}")
