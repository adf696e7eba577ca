<?xml version="1.0" encoding="UTF-8"?>
<tileset version="1.10" tiledversion="1.10.2" name="props" tilewidth="4" tileheight="4" tilecount="5" columns="5">
 <image source="props.png" width="20" height="4"/>
 <tile id="0">
  <objectgroup draworder="index" id="2">
   <object id="1" x="0" y="0" width="4" height="2"/>
  </objectgroup>
 </tile>
 <tile id="1">
  <objectgroup draworder="index" id="2">
   <object id="1" x="0" y="4">
    <polygon points="0,0 4,-4 4,0"/>
   </object>
  </objectgroup>
 </tile>
 <tile id="2">
  <objectgroup draworder="index" id="3">
   <object id="1" x="0" y="0" width="2" height="4"/>
   <object id="2" x="2" y="2">
    <polygon points="0,0 2,0 2,2 0,2"/>
   </object>
  </objectgroup>
 </tile>
 <tile id="3">
  <properties>
   <property name="collides" type="bool" value="true"/>
  </properties>
 </tile>
</tileset>
