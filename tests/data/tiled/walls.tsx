<?xml version="1.0" encoding="UTF-8"?>
<tileset name="walls" tilewidth="16" tileheight="16" tilecount="4" columns="2">
 <image source="walls.png" width="32" height="32"/>
  <tile id="0"><properties><property name="solid" type="bool" value="true"/></properties></tile>
  <tile id="1"><properties><property name="solid" type="bool" value="true"/></properties></tile>
  <tile id="3"><properties><property name="solid" value="true"/></properties></tile>
</tileset>
